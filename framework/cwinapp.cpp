// The application object and the framework's start-up.
#include "cwinapp.h"

#include "cdialog.h"
#include "framework/module_path_answer.h"

namespace {
CWinApp* g_app = nullptr;
}

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR appName) {
    if (appName) m_appName = appName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::OnHelp() {
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    ::WinHelpW(owner, m_helpFilePath.c_str(), HELP_FINDER, 0);
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxFindResourceHandle(LPCWSTR, LPCWSTR) { return ::GetModuleHandleW(nullptr); }

int AfxWinMain(HINSTANCE instance) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;

    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
    std::wstring module(path, ReadModulePathAnswer(length, MAX_PATH) == ModulePathAnswer::Complete ? length : 0);
    size_t slash = module.find_last_of(L'\\');
    size_t dot = module.find_last_of(L'.');
    std::wstring base = module.substr(0, dot == std::wstring::npos || dot < slash + 1 ? module.size() : dot);
    if (app->m_appName.empty()) app->m_appName = base.substr(slash == std::wstring::npos ? 0 : slash + 1);
    app->m_helpFilePath = base + L".HLP";

    if (!app->InitInstance()) return app->ExitInstance();
    bool running = true;
    AfxRunMessageLoop(&running);
    return app->ExitInstance();
}
