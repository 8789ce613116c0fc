// The About box, shown from the main window's system menu.
#pragma once
#include "framework/cdialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
