// The dialog framework: message routing through class tables, modeless and modal lifetime,
// data exchange, the modal seam, run-time classes and the array.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/carray.h"
#include "framework/cdialog.h"
#include "framework/controls.h"
#include "framework/cwinapp.h"
#include "framework/modal_seam.h"
#include "support/ui_helpers.h"
#include "ui/option_dlg.h"
#include "ui/restart_dlg.h"

using namespace testsupport;

namespace {

constexpr UINT kProbeDialog = 500;
constexpr UINT kModalDialog = 510;
constexpr int kButton = 501;
constexpr int kCombo = 502;
constexpr UINT kBaseCommand = 600;
constexpr UINT kDerivedCommand = 601;
constexpr UINT kProbeMessage = WM_APP + 5;
constexpr UINT kBaseOnlyMessage = WM_APP + 6;

std::vector<std::string> g_calls;

class BaseProbe : public CDialog {
public:
    BaseProbe() : CDialog(kProbeDialog) {}

protected:
    void OnBaseCommand() { g_calls.push_back("base command"); }
    LRESULT OnBaseMessage(WPARAM, LPARAM) {
        g_calls.push_back("base message");
        return 1;
    }
    LRESULT OnBaseOnly(WPARAM, LPARAM) { return 7; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseProbe, CDialog)
ON_COMMAND(kBaseCommand, OnBaseCommand)
ON_MESSAGE(kProbeMessage, OnBaseMessage)
ON_MESSAGE(kBaseOnlyMessage, OnBaseOnly)
END_MESSAGE_MAP()

class DerivedProbe : public BaseProbe {
public:
    CComboBox m_combo;
    bool m_cancelled = false;

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kCombo, m_combo); }
    void OnCancel() override {
        m_cancelled = true;
        CDialog::OnCancel();
    }
    LRESULT OnDerivedMessage(WPARAM, LPARAM) {
        g_calls.push_back("derived message");
        return 2;
    }
    void OnDerivedCommand() { g_calls.push_back("derived command"); }
    void OnButton() { g_calls.push_back("button clicked"); }
    void OnComboChange() { g_calls.push_back("combo changed"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedProbe, BaseProbe)
ON_MESSAGE(kProbeMessage, OnDerivedMessage)
ON_COMMAND(kDerivedCommand, OnDerivedCommand)
ON_BN_CLICKED(kButton, OnButton)
ON_CBN_SELCHANGE(kCombo, OnComboChange)
END_MESSAGE_MAP()

class ProbeApp : public CWinApp {
public:
    void OnHelpCommand() { g_calls.push_back("app help"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelpCommand)
END_MESSAGE_MAP()

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { g_calls.clear(); }
    void TearDown() override { AfxResetModalSeam(); }
};

LPARAM ControlHandle(const CWnd& dialog, int id) {
    return reinterpret_cast<LPARAM>(dialog.GetDlgItem(id));
}

TEST_F(FrameworkTest, MostDerivedTableWinsAndBaseTablesAreSearchedAfter) {
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    EXPECT_EQ(dialog.SendMessage(kProbeMessage), 2);
    EXPECT_EQ(dialog.SendMessage(kBaseOnlyMessage), 7);
    dialog.SendMessage(WM_COMMAND, kBaseCommand);
    dialog.SendMessage(WM_COMMAND, kDerivedCommand);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"derived message", "base command",
                                                 "derived command"}));
}

TEST_F(FrameworkTest, CommandsAndControlNotificationsAreToldApart) {
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED), ControlHandle(dialog, kButton));
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE), ControlHandle(dialog, kCombo));
    // An accelerator (code 1, no control) is a command; the same code from a control is not.
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kBaseCommand, 1), 0);
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kBaseCommand, 1), ControlHandle(dialog, kCombo));
    // A notification other than the one listed reaches nothing.
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kCombo, CBN_DROPDOWN), ControlHandle(dialog, kCombo));
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{"button clicked", "combo changed", "base command"}));
}

TEST_F(FrameworkTest, CommandsNoWindowTakesGoToTheApplication) {
    ProbeApp app;
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    dialog.SendMessage(WM_COMMAND, ID_HELP);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"app help"}));
}

TEST_F(FrameworkTest, UnlistedMessagesGetTheWindowsOwnHandling) {
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    EXPECT_EQ(WindowText(dialog.m_hWnd), L"Framework probe");
    EXPECT_EQ(dialog.SendMessage(DM_GETDEFID), MAKELRESULT(IDOK, DC_HASDEFID));
}

class ReflectingChild : public CWnd {
public:
    int m_notifications = 0;

protected:
    void OnCustom(NMHDR*, LRESULT* result) {
        ++m_notifications;
        *result = 9;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingChild, CWnd)
ON_NOTIFY_REFLECT(NM_CLICK, OnCustom)
END_MESSAGE_MAP()

TEST_F(FrameworkTest, ChildNotificationsAreReflectedToTheChild) {
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    ReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, L"STATIC", L"", WS_CHILD, RECT{0, 0, 10, 10}, &dialog, 700));

    NMHDR header{child.m_hWnd, 700, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, 700, reinterpret_cast<LPARAM>(&header)), 9);
    header.code = static_cast<UINT>(NM_DBLCLK);
    dialog.SendMessage(WM_NOTIFY, 700, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(child.m_notifications, 1);
}

TEST_F(FrameworkTest, ModelessDialogIsHiddenByOkAndDestroyedWithItsObject) {
    auto* dialog = new DerivedProbe;
    ASSERT_TRUE(dialog->Create(kProbeDialog));
    HWND hwnd = dialog->m_hWnd;
    HWND combo = dialog->GetDlgItem(kCombo);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), dialog);
    EXPECT_EQ(dialog->m_combo.m_hWnd, combo);  // bound by the data exchange
    EXPECT_TRUE(IsWindowVisible(hwnd));

    dialog->SendMessage(WM_COMMAND, IDOK);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));

    delete dialog;
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(combo), nullptr);
}

TEST_F(FrameworkTest, WindowDestroyedFromOutsideUnbindsItsObjects) {
    DerivedProbe dialog;
    ASSERT_TRUE(dialog.Create(kProbeDialog));
    HWND hwnd = dialog.m_hWnd;
    DestroyWindow(hwnd);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_combo.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

class EndsItself : public CDialog {
public:
    explicit EndsItself(int result) : CDialog(kModalDialog), m_result(result) {}

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        EndDialog(m_result);
        return TRUE;
    }
    int m_result;
};

TEST_F(FrameworkTest, DoModalReturnsTheResultGivenToEndDialog) {
    EndsItself dialog(42);
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(FrameworkTest, DoModalRunsUntilTheUserAnswers) {
    CDialog dialog(kModalDialog);
    WindowWatcher user(L"Modal probe", [](HWND hwnd) {
        SendMessageW(GetDlgItem(hwnd, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(user.Join());
}

TEST_F(FrameworkTest, DoModalEndedByQuitEnablesItsOwnerAgainAndPassesTheQuitOn) {
    DerivedProbe owner;
    ASSERT_TRUE(owner.Create(kProbeDialog));
    CDialog dialog(kModalDialog, &owner);
    DWORD thread = GetCurrentThreadId();
    bool ownerDisabled = false;
    WindowWatcher user(L"Modal probe", [&](HWND) {
        ownerDisabled = !IsWindowEnabled(owner.m_hWnd);
        PostThreadMessageW(thread, WM_QUIT, 7, 0);
    });
    EXPECT_EQ(dialog.DoModal(), -1);
    ASSERT_TRUE(user.Join());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // for the outer loop
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(FrameworkTest, ModelessDialogGetsItsKeysInsideAModalLoop) {
    DerivedProbe modeless;
    ASSERT_TRUE(modeless.Create(kProbeDialog));
    HWND modelessCombo = modeless.GetDlgItem(kCombo);
    CDialog modal(kModalDialog);
    WindowWatcher user(L"Modal probe", [&](HWND hwnd) {
        // Esc typed into the modeless dialog while the modal one runs its loop.
        PostMessageW(modelessCombo, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    });
    modal.DoModal();
    user.Join();
    PumpMessages();
    EXPECT_TRUE(modeless.m_cancelled);
}

TEST_F(FrameworkTest, ModalSeamAnswersADialogWithoutShowingIt) {
    std::vector<UINT> asked;
    AfxModalSeam().answerModal = [&](UINT id, INT_PTR* result) {
        asked.push_back(id);
        *result = IDCANCEL;
        return true;
    };
    CDialog dialog(kModalDialog);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(asked, (std::vector<UINT>{kModalDialog}));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(FrameworkTest, RunTimeClassNamesAndBases) {
    OptionDlg options;
    CRestartDlg restart;
    EXPECT_STREQ(options.GetRuntimeClass()->m_lpszClassName, "OptionDlg");
    EXPECT_EQ(options.GetRuntimeClass()->m_pBaseClass, RUNTIME_CLASS(CDialog));
    EXPECT_STREQ(restart.GetRuntimeClass()->m_lpszClassName, "CRestartDlg");
    EXPECT_TRUE(restart.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_TRUE(restart.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(restart.IsKindOf(RUNTIME_CLASS(OptionDlg)));
}

TEST_F(FrameworkTest, ArrayStartsEmptyGrowsAndEmpties) {
    struct Entry {
        UINT id;
        int value;
    };
    CArray<Entry, Entry&> entries;
    EXPECT_EQ(entries.GetSize(), 0);
    Entry first{1, 10}, second{2, 20};
    EXPECT_EQ(entries.Add(first), 0);
    EXPECT_EQ(entries.Add(second), 1);
    EXPECT_EQ(entries[1].value, 20);
    entries.RemoveAll();
    EXPECT_TRUE(entries.IsEmpty());
}

}  // namespace
