// Dialog data exchange: binds dialog controls to their wrapper members.
#pragma once
#include "cwnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Binds control `id` of the dialog to `control` the first time; later calls change nothing.
// The binding ends when the control window is destroyed.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
