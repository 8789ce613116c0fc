// Dialog data exchange.
#include "ddx.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    HWND item = dx->m_pDlgWnd->GetDlgItem(id);
    if (item) control.Subclass(item);  // unbound again when the control is destroyed
}
