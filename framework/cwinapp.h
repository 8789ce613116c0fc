// The application object: one per program, constructed during static initialisation. The
// framework's entry point runs InitInstance and, when that returns false, ends the program.
#pragma once
#include <string>

#include "cwnd.h"

constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)

public:
    // With a null name the framework takes the name of the program file.
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance() { return 0; }

    // Help for the active context: WinHelp on the program's help file.
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    std::wstring m_appName;
    std::wstring m_helpFilePath;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
// The module that holds the program's resources.
HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);
// Runs the application object; the program's exit code.
int AfxWinMain(HINSTANCE instance);
