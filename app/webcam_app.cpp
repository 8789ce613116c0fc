// The application object and its one program-wide instance.
#include "webcam_app.h"

#include <commctrl.h>

#include "app/main_dlg.h"
#include "app/program_commands.h"
#include "framework/language_choice.h"
#include "framework/ui_texts.h"
#include "settings/settings_store.h"

BEGIN_MESSAGE_MAP(CZevuvArividApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CZevuvArividApp::CZevuvArividApp() : CWinApp(nullptr) {}

BOOL CZevuvArividApp::InitInstance() {
    // The user's display language, unless a language is stored; before any text is shown.
    wchar_t storedLanguage[kSettingCapacity] = L"";
    ReadSettingString(L"uiLanguage", storedLanguage);
    SetUiLanguage(ChooseUiLanguage(GetUserDefaultUILanguage(), storedLanguage));

    // Bad arguments start nothing.
    CommandLine line = ReadProgramCommandLine();
    if (!line.Bad() && !line.capturePath.empty()) ResolveCapturePath(&line);
    if (line.Bad()) {
        ReportBadArguments(line);
        g_programExitCode = kBadArguments;
        return FALSE;
    }

    // Held, never closed, until the process ends: the mark of the running instance. A second
    // instance hands its command to the first, or without one ends silently.
    HANDLE instanceMark = CreateMutexW(nullptr, FALSE, L"CZevuvArividApp_Default");
    if (!instanceMark || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!instanceMark) return FALSE;
        CloseHandle(instanceMark);  // a start after the running program ends is a first start again
        if (line.command != ProgramCommand::None) g_programExitCode = SendToRunningProgram(line);
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls{8, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    {
        CZevuvArividDlg mainWindow;
        if (line.command != ProgramCommand::None) {
            g_programExitCode = kCommandRefused;  // until the command says it was done
            mainWindow.QueueCommand(PendingCommand{line.command, line.capturePath, nullptr});
        }
        m_pMainWnd = &mainWindow;
        mainWindow.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CZevuvArividApp::ExitInstance() { return g_programExitCode; }

CZevuvArividApp theApp;
