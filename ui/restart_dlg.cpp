// Restart prompt and system restart.
#include "restart_dlg.h"

#include "framework/modal_seam.h"
#include "framework/raii.h"
#include "resources/resource.h"

int g_restartPending = 0;

IMPLEMENT_DYNAMIC(CRestartDlg, CDialog)

BEGIN_MESSAGE_MAP(CRestartDlg, CDialog)
ON_COMMAND(IDOK, OnOK)
END_MESSAGE_MAP()

CRestartDlg::CRestartDlg(CWnd* parent) : CDialog(IDD_RESTART, parent) {}

void CRestartDlg::OnOK() { CDialog::OnOK(); }

void RequestSystemRestart() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    UniqueHandle tokenOwner(token);

    TOKEN_PRIVILEGES privileges{};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);

    // Force only programs that hang, so that the others can save their work.
    AfxModalSeam().exitWindows(EWX_REBOOT | EWX_FORCEIFHUNG, 0);
}
