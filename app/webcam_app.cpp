// The application object and its one program-wide instance.
#include "webcam_app.h"

#include <commctrl.h>

#include "app/main_dlg.h"

BEGIN_MESSAGE_MAP(CZevuvArividApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CZevuvArividApp::CZevuvArividApp() : CWinApp(nullptr) {}

BOOL CZevuvArividApp::InitInstance() {
    // Held, never closed, until the process ends: the mark of the running instance. A second
    // instance ends silently.
    HANDLE instanceMark = CreateMutexW(nullptr, FALSE, L"CZevuvArividApp_Default");
    if (!instanceMark || GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;

    INITCOMMONCONTROLSEX controls{8, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    {
        CZevuvArividDlg mainWindow;
        m_pMainWnd = &mainWindow;
        mainWindow.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

CZevuvArividApp theApp;
