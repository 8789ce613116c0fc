// The application object of Webcam.
#pragma once
#include "framework/cwinapp.h"

class CZevuvArividApp : public CWinApp {
public:
    CZevuvArividApp();
    // The command line, the single-instance check (a second start hands its command to the
    // first), common controls, then the main window run modally with the command. Always false,
    // so that the program ends when the main window does.
    BOOL InitInstance() override;
    // The exit code: the outcome of the command line (0 without one).
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()
};
