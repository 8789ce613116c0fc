// The prompt that asks the user to restart the system after the camera driver flag tool ran,
// and the restart request itself.
#pragma once
#include "framework/cdialog.h"

// A system restart is to be requested by the close sequence (set by a Yes answer).
extern int g_restartPending;

class CRestartDlg : public CDialog {
    DECLARE_DYNAMIC(CRestartDlg)

public:
    explicit CRestartDlg(CWnd* parent = nullptr);

protected:
    void OnOK() override;
    DECLARE_MESSAGE_MAP()
};

// Enables the shutdown privilege and asks the system to restart, letting programs that
// respond save their work. Every failure is silent.
void RequestSystemRestart();
