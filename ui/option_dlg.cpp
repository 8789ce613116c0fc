// Options dialog.
#include "option_dlg.h"

#include "resources/resource.h"

OptionDlg* g_optionDlg = nullptr;

IMPLEMENT_DYNAMIC(OptionDlg, CDialog)

OptionDlg::OptionDlg(CWnd* parent) : CDialog(IDD_OPTION, parent) {}
