// Toolbar button states.
#include "toolbar_buttons.h"

#include <commctrl.h>

namespace {
constexpr int kToolbarId = 0xE800;  // the framework's toolbar identifier
}

void SetToolbarButtonEnabled(HWND mainWnd, UINT commandId, bool enabled) {
    HWND toolbar = GetDlgItem(mainWnd, kToolbarId);
    if (!toolbar) return;
    LRESULT state = SendMessageW(toolbar, TB_GETSTATE, commandId, 0);
    if (state == -1) return;
    WORD newState = static_cast<WORD>(enabled ? (state | TBSTATE_ENABLED)
                                              : (state & ~TBSTATE_ENABLED));
    SendMessageW(toolbar, TB_SETSTATE, commandId, MAKELPARAM(newState, 0));
}
