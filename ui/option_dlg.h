// The modeless options dialog.
#pragma once
#include "framework/cdialog.h"

class CZevuvArividDlg;

class OptionDlg : public CDialog {
    DECLARE_DYNAMIC(OptionDlg)

public:
    explicit OptionDlg(CWnd* parent = nullptr);

    CZevuvArividDlg* m_pMainDlg = nullptr;  // not owned
};

// The one options dialog of the program, null when there is none.
extern OptionDlg* g_optionDlg;
