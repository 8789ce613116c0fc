// Dialogs from dialog templates in the program's resources (in the user interface's language), run modally (DoModal, with the
// framework's own modal loop) or modeless (Create). Modeless dialogs get keyboard navigation
// from every modal loop of the framework.
#pragma once
#include "cwnd.h"
#include "ddx.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog until EndDialog and returns its result; -1 when it cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless. With no parent, the application's main window owns it.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT GetTemplateId() const { return m_templateId; }
    // Keyboard shortcuts of this dialog (not owned): the framework's message loops translate
    // them for every window of the dialog before the dialog's own key handling.
    void SetAccelerators(HACCEL accelerators) { m_accelerators = accelerators; }
    HACCEL Accelerators() const { return m_accelerators; }

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    DECLARE_MESSAGE_MAP()

private:
    HWND CreateFromTemplate(HWND owner);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_pParentWnd;
    bool m_inModalLoop = false;
    INT_PTR m_modalResult = -1;
    HACCEL m_accelerators = nullptr;
};

// Gives a modeless dialog of the framework its keyboard handling; true when it took the message.
bool AfxPreTranslateMessage(MSG* msg);
// Runs the framework's message loop until `*running` becomes false or WM_QUIT arrives.
void AfxRunMessageLoop(const bool* running);
