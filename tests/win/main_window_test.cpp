// Webcam's main window opened in the test process and driven with messages.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/graph_lock.h"
#include "framework/cwinapp.h"
#include "framework/window_dpi.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_pipeline.h"
#include "snapshot/snapshot_request.h"
#include "support/scratch_directory.h"
#include "support/main_window_fixture.h"
#include "ui/option_dlg.h"
#include "ui/restart_dlg.h"

using namespace testsupport;

namespace {

std::vector<std::wstring> ChildTexts(HWND parent) {
    std::vector<std::wstring> texts;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        texts.push_back(WindowText(c));
    return texts;
}

TEST_F(MainWindowTest, CaptionStylesAndIcon) {
    EXPECT_EQ(WindowText(hwnd()), L"Webcam 1.2");
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE));
    for (DWORD bit : {WS_VISIBLE, WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX,
                      WS_MAXIMIZEBOX})
        EXPECT_TRUE(style & bit) << std::hex << bit;
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE));
    for (DWORD bit : {WS_EX_APPWINDOW, WS_EX_CLIENTEDGE, WS_EX_WINDOWEDGE})
        EXPECT_TRUE(exStyle & bit) << std::hex << bit;

    auto big = SendMessageW(hwnd(), WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(big, 0);
    EXPECT_EQ(SendMessageW(hwnd(), WM_GETICON, ICON_SMALL, 0), big);
    EXPECT_EQ(SendMessageW(hwnd(), WM_QUERYDRAGICON, 0, 0), big);
}

TEST_F(MainWindowTest, SystemMenuEndsWithCopyPictureAndTheAboutEntry) {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    ASSERT_NE(menu, nullptr);
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    EXPECT_TRUE(GetMenuState(menu, count - 3, MF_BYPOSITION) & MF_SEPARATOR);
    const struct { int position; UINT id; const wchar_t* text; } entries[] = {
        {count - 2, IDM_COPYPICTURE, L"Copy picture\tCtrl+C"},
        {count - 1, IDM_ABOUTBOX, L"\u95DC\u65BC ZevuvArivid(&A)..."},
    };
    for (const auto& entry : entries) {
        EXPECT_EQ(GetMenuItemID(menu, entry.position), entry.id);
        wchar_t text[128] = L"";
        GetMenuStringW(menu, entry.position, text, 128, MF_BYPOSITION);
        EXPECT_STREQ(text, entry.text);
    }
}

TEST_F(MainWindowTest, AboutEntryOpensTheAboutBoxModally) {
    CWinApp app;  // the program's application object makes the main window the owner
    app.m_pMainWnd = m_window.get();
    std::vector<std::wstring> texts;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    WindowWatcher user(L"\u95DC\u65BC ZevuvArivid", [&](HWND about) {
        texts = ChildTexts(about);
        owner = GetWindow(about, GW_OWNER);
        ownerEnabled = IsWindowEnabled(owner);
        SendMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    });
    SendMessageW(hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    ASSERT_TRUE(user.Join());
    ASSERT_EQ(texts.size(), 3u);  // the icon, the text, the button
    EXPECT_EQ(texts[1], L"ZevuvArivid, 1.2 \u7248");
    EXPECT_EQ(texts[2], L"\u78BA\u5B9A");
    EXPECT_EQ(owner, hwnd());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(hwnd()));  // enabled again after
}

TEST_F(MainWindowTest, OtherSystemCommandsBehaveAsUsual) {
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpMessages();
    EXPECT_TRUE(IsIconic(hwnd()));
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpMessages();
    EXPECT_FALSE(IsIconic(hwnd()));
}

TEST_F(MainWindowTest, ToolbarSpansTheWidthAndTheVideoAreaStartsBelowIt) {
    auto checkLayout = [&](int expectedWidth) {
        RECT bar;
        GetWindowRect(toolbar(), &bar);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_EQ(bar.left, 0);
        EXPECT_EQ(bar.top, 0);
        EXPECT_EQ(bar.right - bar.left, expectedWidth);
        EXPECT_EQ(g_videoTop, bar.bottom - bar.top + 3);
    };
    RECT client;
    GetClientRect(hwnd(), &client);
    checkLayout(client.right);
    EXPECT_GE(g_videoTop, 48 + 3);

    SetWindowPos(hwnd(), nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    GetClientRect(hwnd(), &client);
    checkLayout(client.right);

    // During a drag the toolbar takes the proposed window width, frame included.
    RECT proposed{10, 10, 10 + 1000, 10 + 600};
    SendMessageW(hwnd(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed));
    checkLayout(1000);
    EXPECT_EQ(proposed.right, 1010);  // the proposal is never changed

    ShowWindow(hwnd(), SW_MINIMIZE);
    PumpMessages();
    ShowWindow(hwnd(), SW_RESTORE);
    PumpMessages();
    GetClientRect(hwnd(), &client);
    checkLayout(client.right);
}

// Moved between screens of different scale: the window takes the suggested rectangle, the
// toolbar the pictures drawn for the new scale, with its buttons' states kept.
TEST_F(MainWindowTest, ToolbarAndWindowFollowTheScaleOfTheScreenTheyMoveTo) {
    SendMessageW(toolbar(), TB_ENABLEBUTTON, ID_STOP, FALSE);
    const struct {
        UINT dpi;
        int buttonWidth, buttonHeight, gap;
        RECT suggested;
    } screens[] = {{144, 123 + 10, 72 + 9, 5, {40, 30, 40 + 800, 30 + 600}},
                   {192, 164 + 14, 96 + 12, 6, {0, 0, 1100, 800}},
                   {96, 82 + 7, 48 + 6, 3, {20, 20, 20 + 560, 20 + 450}}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.dpi);
        RECT suggested = screen.suggested;
        SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(screen.dpi, screen.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();
        RECT window, client, bar;
        GetWindowRect(hwnd(), &window);
        EXPECT_TRUE(EqualRect(&window, &screen.suggested));
        DWORD button = static_cast<DWORD>(SendMessageW(toolbar(), TB_GETBUTTONSIZE, 0, 0));
        EXPECT_NEAR(LOWORD(button), screen.buttonWidth, 1);
        EXPECT_NEAR(HIWORD(button), screen.buttonHeight, 1);
        GetClientRect(hwnd(), &client);
        GetWindowRect(toolbar(), &bar);
        EXPECT_EQ(bar.right - bar.left, client.right);
        EXPECT_EQ(g_videoTop, bar.bottom - bar.top + screen.gap);
        EXPECT_FALSE(SendMessageW(toolbar(), TB_ISBUTTONENABLED, ID_STOP, 0));
        EXPECT_TRUE(SendMessageW(toolbar(), TB_ISBUTTONENABLED, ID_PREVIEW, 0));
    }
}

TEST_F(MainWindowTest, ClipChildrenOnlyWhileSizingOrMoving) {
    EXPECT_FALSE(GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
    SendMessageW(hwnd(), WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
    SendMessageW(hwnd(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST_F(MainWindowTest, PaintingLeavesTheVideoAreaBlack) {
    SetWindowPos(hwnd(), HWND_TOP, 20, 20, 700, 560, 0);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    auto videoBandNonBlack = [](const ScreenPixels& client) {
        int count = 0;
        for (int y = g_videoTop; y < client.height; y += 3)
            for (int x = 0; x < client.width; x += 3) count += client.At(x, y) != 0;
        return count;
    };
    auto toolbarBlack = [](const ScreenPixels& client) {
        int count = 0;
        for (int y = 0; y < g_videoTop - 3; ++y)
            for (int x = 0; x < client.width; ++x) count += client.At(x, y) == 0;
        return count;
    };
    // The toolbar strip shows its pictures, not black; the band below it is all black.
    auto looksRight = [&](const ScreenPixels& client) {
        return client.height > g_videoTop && videoBandNonBlack(client) == 0 &&
               toolbarBlack(client) < client.width * (g_videoTop - 3) / 4;
    };
    ScreenPixels client = CaptureClientWhen(hwnd(), looksRight);
    SaveScreenshot(CaptureWindow(hwnd()), L"main-window");
    ASSERT_GT(client.height, g_videoTop);
    EXPECT_EQ(videoBandNonBlack(client), 0);
    EXPECT_LT(toolbarBlack(client), client.width * (g_videoTop - 3) / 4);
}

// WM_ICONERASEBKGND messages sent to `target` with a device context, seen by a hook.
int g_iconErases = 0;
HWND g_iconTarget = nullptr;
LRESULT CALLBACK WatchIconErase(int code, WPARAM wParam, LPARAM lParam) {
    auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == g_iconTarget && sent->message == WM_ICONERASEBKGND &&
        sent->wParam)
        ++g_iconErases;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowTest, MinimisedWindowPaintsItsIcon) {
    g_iconTarget = hwnd();
    g_iconErases = 0;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchIconErase, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SendMessageW(hwnd(), WM_PAINT, 0, 0);
    int whileShown = g_iconErases;
    ShowWindow(hwnd(), SW_MINIMIZE);
    PumpMessages();
    EXPECT_TRUE(IsIconic(hwnd()));
    SendMessageW(hwnd(), WM_PAINT, 0, 0);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(whileShown, 0);  // a shown window paints its black band instead
    EXPECT_GE(g_iconErases, 1);  // the icon's background, erased with the paint context
}

// What the system restart request saw of the program's state when it was made.
struct RestartObservation {
    int calls = 0;
    UINT flags = 0;
    DWORD reason = 1;
    bool optionsGone = false, lockGone = false, gdiplusStopped = false, graphGone = false;
    int captureState = -1;
};

void ObserveRestart(RestartObservation& seen) {
    AfxModalSeam().exitWindows = [&seen](UINT flags, DWORD reason) {
        ++seen.calls;
        seen.flags = flags;
        seen.reason = reason;
        seen.optionsGone = g_optionDlg == nullptr;
        seen.lockGone = g_graphLock == nullptr;
        seen.gdiplusStopped = g_gdiplusToken == 0;
        seen.graphGone = !g_pGraph;
        seen.captureState = g_captureState;
        return TRUE;
    };
}

TEST_F(MainWindowTest, CloseRequestsTheRestartLastAndOnlyWhenPending) {
    RestartObservation seen;
    ObserveRestart(seen);
    g_optionDlg = new OptionDlg;
    ASSERT_NE(g_graphLock, nullptr);
    ASSERT_NE(g_gdiplusToken, 0u);
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&g_pGraph))));
    g_restartPending = 1;

    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
    PumpMessages();

    EXPECT_EQ(seen.calls, 1);  // once, although the dialog's cancel follows the close
    EXPECT_EQ(seen.flags, UINT(EWX_REBOOT | EWX_FORCEIFHUNG));
    EXPECT_EQ(seen.reason, 0u);
    EXPECT_TRUE(seen.optionsGone);
    EXPECT_TRUE(seen.lockGone);
    EXPECT_TRUE(seen.gdiplusStopped);
    EXPECT_TRUE(seen.graphGone);
    EXPECT_EQ(seen.captureState, Stopped);
    EXPECT_EQ(g_restartPending, 0);
    EXPECT_FALSE(IsWindowVisible(hwnd()));  // the dialog ended
}

TEST_F(MainWindowTest, CloseWithoutPendingRestartRequestsNone) {
    RestartObservation seen;
    ObserveRestart(seen);
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(g_graphLock, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd()));
}

TEST_F(MainWindowTest, EnterAndEscEndTheWindowThroughTheCloseSequence) {
    for (WPARAM command : {IDOK, IDCANCEL}) {
        SetUp();
        RestartObservation seen;
        ObserveRestart(seen);
        g_restartPending = 1;
        SendMessageW(hwnd(), WM_COMMAND, command, 0);
        EXPECT_EQ(seen.calls, 1) << command;
        EXPECT_TRUE(seen.lockGone) << command;
        EXPECT_FALSE(IsWindowVisible(hwnd())) << command;
    }
}

TEST_F(MainWindowTest, ErrorBoxTextIsBoundedAndTerminated) {
    std::vector<std::wstring> texts;
    std::vector<std::wstring> captions;
    std::vector<UINT> types;
    AfxModalSeam().messageBox = [&](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
        EXPECT_EQ(owner, hwnd());
        texts.push_back(text);
        captions.push_back(caption);
        types.push_back(type);
        return IDOK;
    };
    m_window->ShowErrorBox(L"%d devices", 3);
    std::wstring longText(3000, L'x');
    m_window->ShowErrorBox(L"%s!", longText.c_str());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"3 devices");
    EXPECT_EQ(texts[1], std::wstring(1022, L'x'));
    EXPECT_EQ(captions[0], L"Webcam Message");
    EXPECT_EQ(types[0], UINT(MB_ICONHAND));
}

// Commands another process sends: anything malformed is refused without being read past its
// end; a well-formed one is carried out and its outcome posted back.
TEST_F(MainWindowTest, CommandMessagesFromOtherProcessesAreCheckedBeforeTheyAreCarriedOut) {
    HWND reply = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    auto message = [&](ULONG_PTR kind, uint32_t command, HWND replyTo, const std::wstring& path, DWORD cut = 0) {
        std::vector<uint8_t> bytes(sizeof(CommandHeader) + path.size() * sizeof(wchar_t));
        CommandHeader header{command, 0, reinterpret_cast<uintptr_t>(replyTo)};
        std::memcpy(bytes.data(), &header, sizeof(header));
        std::memcpy(bytes.data() + sizeof(header), path.data(), path.size() * sizeof(wchar_t));
        COPYDATASTRUCT data{kind, static_cast<DWORD>(bytes.size()) - cut, bytes.data()};
        return SendMessageW(hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    };
    const uint32_t stop = static_cast<uint32_t>(ProgramCommand::Stop), capture = static_cast<uint32_t>(ProgramCommand::Capture);
    EXPECT_FALSE(message(kCommandData + 1, stop, reply, L""));  // another program's data
    EXPECT_FALSE(message(kCommandData, 99, reply, L""));
    EXPECT_FALSE(message(kCommandData, 0, reply, L""));
    EXPECT_FALSE(message(kCommandData, stop, nullptr, L""));  // nobody to answer
    EXPECT_FALSE(message(kCommandData, stop, reply, L"", 1));  // shorter than its header
    EXPECT_FALSE(message(kCommandData, capture, reply, L"C:\\a.bmp", 1));  // half a character
    EXPECT_FALSE(message(kCommandData, capture, reply, L"a.bmp"));  // relative to whose folder?
    EXPECT_FALSE(message(kCommandData, stop, reply, L"C:\\a.bmp"));  // a path for Stop
    EXPECT_FALSE(message(kCommandData, capture, reply, std::wstring(40000, L'\\')));
    // The main window's messages only: the outcome stays in the reply window's queue.
    auto carryOut = [&] {
        MSG msg;
        for (int round = 0; round < 10; ++round, Sleep(20))
            while (PeekMessageW(&msg, hwnd(), 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    };
    carryOut();
    MSG outcome;
    EXPECT_FALSE(PeekMessageW(&outcome, reply, WM_COMMAND_OUTCOME, WM_COMMAND_OUTCOME, PM_REMOVE));

    EXPECT_TRUE(message(kCommandData, stop, reply, L""));
    carryOut();
    ASSERT_TRUE(PeekMessageW(&outcome, reply, WM_COMMAND_OUTCOME, WM_COMMAND_OUTCOME, PM_REMOVE));
    EXPECT_EQ(outcome.wParam, static_cast<WPARAM>(kCommandDone));
    DestroyWindow(reply);
}

TEST_F(MainWindowTest, ToolbarCommandsReachTheCaptureEngine) {
    g_snapshotRequested = 0;
    SendMessageW(hwnd(), WM_COMMAND, ID_CAPTURE, 0);
    EXPECT_EQ(g_snapshotRequested, 1);
    g_snapshotRequested = 0;

    // Stop with nothing running only enables Preview and Record again.
    SendMessageW(toolbar(), TB_ENABLEBUTTON, ID_PREVIEW, FALSE);
    SendMessageW(toolbar(), TB_ENABLEBUTTON, ID_RECORD, FALSE);
    SendMessageW(hwnd(), WM_COMMAND, ID_STOP, 0);
    EXPECT_TRUE(SendMessageW(toolbar(), TB_ISBUTTONENABLED, ID_PREVIEW, 0));
    EXPECT_TRUE(SendMessageW(toolbar(), TB_ISBUTTONENABLED, ID_RECORD, 0));
    EXPECT_EQ(g_captureState, Stopped);

    // A graph notification without a graph finds no event interface.
    EXPECT_EQ(static_cast<HRESULT>(SendMessageW(hwnd(), WM_APP + 1, 0, 0)), E_POINTER);
}

TEST_F(MainWindowTest, DropDownNotificationsOfTheFiveButtonsOpenNoMenu) {
    // A menu that opened would hold this thread in its loop: a helper closes it and counts it.
    std::atomic<bool> done{false};
    std::atomic<int> menus{0};
    std::thread watcher([&] {
        while (!done) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                ++menus;
                PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            }
            Sleep(20);
        }
    });
    for (int id = ID_PREVIEW; id <= ID_OPTION; ++id) {
        NMTOOLBARW notification{};
        notification.hdr = {toolbar(), AFX_IDW_TOOLBAR, static_cast<UINT>(TBN_DROPDOWN)};
        notification.iItem = id;
        EXPECT_EQ(SendMessageW(hwnd(), WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&notification)), 0);
    }
    PumpMessages(200, 500);
    done = true;
    watcher.join();
    EXPECT_EQ(menus, 0);
}

TEST_F(MainWindowTest, ToolbarButtonsShowTheirTooltipsWithTheirShortcutsWhenHovered) {
    const wchar_t* expected[] = {L"Preview (P)", L"Capture a picture (Space)", L"Record (R)",
                                 L"Stop (S)", L"Options (O)"};
    HWND tips = reinterpret_cast<HWND>(SendMessageW(toolbar(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    SetForegroundWindow(hwnd());
    for (int i = 0; i < 5; ++i) {
        RECT button{};
        SendMessageW(toolbar(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&button));
        POINT center{(button.left + button.right) / 2, (button.top + button.bottom) / 2}, screen = center;
        ClientToScreen(toolbar(), &screen);
        SetCursorPos(screen.x, screen.y);
        std::wstring shown;
        PostMessageW(toolbar(), WM_MOUSEMOVE, 0, MAKELPARAM(center.x, center.y));
        for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && shown != expected[i];) {
            PumpMessages(20, 100);
            if (IsWindowVisible(tips)) shown = WindowText(tips);
        }
        EXPECT_EQ(shown, expected[i]);
    }
}

TEST_F(MainWindowTest, ClosingSavesASnapshotAlreadyQueuedWhileGdiplusStillRuns) {
    ScratchDirectory pictures;
    wcscpy(g_settings.capturePath, pictures.path().c_str());
    g_settings.captureFormat = 0;  // JPEG, encoded by GDI+
    g_videoSubtype = 2;
    g_snapshotRescale = 0;
    std::vector<BYTE> frame(64 * 48 * 2, 0x80);
    PostMessageW(hwnd(), WM_SNAPSHOT, reinterpret_cast<WPARAM>(NewSnapshotFrame(frame.data(), frame.size())),
                 64 << 16 | 48);
    std::vector<std::wstring> messages;
    AfxModalSeam().messageBox = [&](HWND, LPCWSTR text, LPCWSTR, UINT) {
        messages.push_back(text);
        return IDOK;
    };
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
    auto files = FilesIn(pictures.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].substr(files[0].size() - 4), L".jpg");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(g_gdiplusToken, 0u);
}

}  // namespace
