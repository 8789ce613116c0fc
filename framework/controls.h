// Wrappers of the standard controls that dialogs bind with DDX_Control.
#pragma once
#include <string>

#include "cwnd.h"

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)

public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)

public:
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(LPCWSTR text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
    // The item's text, or empty for an index outside the list.
    std::wstring GetLBText(int index) const;
};
