// Dialogs: creation from templates, the modal loop, and the OK/Cancel defaults.
#include "cdialog.h"

#include "cwinapp.h"
#include "modal_seam.h"
#include "ui_texts.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd) DestroyWindow();
}

HWND CDialog::CreateFromTemplate(HWND owner) {
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
    HRSRC resource = FindUiResource(module, MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEW>(::LockResource(loaded)) : nullptr;
    if (!dialogTemplate) return nullptr;
    return ::CreateDialogIndirectParamW(module, dialogTemplate, owner, &DialogProc,
                                        reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;  // the rest reaches the object's table first
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Subclass(hwnd);
    return dialog->OnInitDialog();
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    m_pParentWnd = parent;
    CWnd* owner = parent;
    if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd != this) owner = AfxGetApp()->m_pMainWnd;
    return CreateFromTemplate(owner ? owner->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
    INT_PTR answered = 0;
    if (AfxModalSeam().answerModal(m_templateId, &answered)) return answered;

    CWnd* owner = m_pParentWnd;
    if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd != this) owner = AfxGetApp()->m_pMainWnd;
    HWND ownerHwnd = owner ? owner->m_hWnd : nullptr;
    bool ownerWasEnabled = ownerHwnd && ::IsWindowEnabled(ownerHwnd);
    if (ownerWasEnabled) ::EnableWindow(ownerHwnd, FALSE);

    m_modalResult = -1;
    m_inModalLoop = true;
    if (CreateFromTemplate(ownerHwnd)) {
        if (m_inModalLoop && !(GetStyle() & WS_VISIBLE)) ShowWindow(SW_SHOWNORMAL);
        AfxRunMessageLoop(&m_inModalLoop);
    }
    m_inModalLoop = false;

    if (ownerWasEnabled) {
        ::EnableWindow(ownerHwnd, TRUE);
        ::SetActiveWindow(ownerHwnd);
    }
    if (m_hWnd) DestroyWindow();
    return m_modalResult;
}

void CDialog::EndDialog(int result) {
    if (m_inModalLoop) {
        m_modalResult = result;
        m_inModalLoop = false;
    }
    if (m_hWnd) ::EndDialog(m_hWnd, result);  // hides the window
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool AfxPreTranslateMessage(MSG* msg) {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(root));
    if (!dialog) return false;
    if (dialog->Accelerators() && ::TranslateAcceleratorW(root, dialog->Accelerators(), msg)) return true;
    return ::IsDialogMessageW(root, msg) != FALSE;
}

void AfxRunMessageLoop(const bool* running) {
    MSG msg;
    while (*running) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loops outside this one
            return;
        }
        if (got == -1) return;
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}
