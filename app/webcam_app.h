// The application object of Webcam.
#pragma once
#include "framework/cwinapp.h"

class CZevuvArividApp : public CWinApp {
public:
    CZevuvArividApp();
    // Single-instance check, common controls, then the main window run modally. Always
    // false, so that the program ends when the main window does.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
