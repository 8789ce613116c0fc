// The main window.
#include "main_dlg.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <strsafe.h>

#include <cstdarg>
#include <new>

#include "app/about_dlg.h"
#include "app/command_runner.h"
#include "app/startup_settings.h"
#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/graph_control.h"
#include "capture/graph_lock.h"
#include "capture/graph_wait.h"
#include "capture/picture_timers.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "framework/cmenu.h"
#include "framework/ui_texts.h"
#include "framework/window_dpi.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_pipeline.h"
#include "snapshot/snapshot_request.h"
#include "ui/option_dlg.h"
#include "ui/restart_dlg.h"
#include "ui/toolbar_art.h"

ULONG_PTR g_gdiplusToken = 0;

BEGIN_MESSAGE_MAP(CZevuvArividDlg, CDialog)
ON_MESSAGE(WM_GRAPHNOTIFY, OnGraphNotify)
ON_MESSAGE(WM_SNAPSHOT, OnSnapshot)
ON_MESSAGE(WM_DEVICECHANGE, OnDeviceChangeMessage)
ON_COMMAND(ID_PREVIEW, OnPreview)
ON_COMMAND(ID_CAPTURE, OnCapture)
ON_COMMAND(ID_RECORD, OnRecord)
ON_COMMAND(ID_STOP, OnStop)
ON_COMMAND(ID_OPTION, OnOption)
ON_COMMAND(ID_COPY_PICTURE, OnCopyPicture)
ON_COMMAND(ID_MIRROR, OnMirror)
ON_COMMAND(ID_KEEP_PROPORTIONS, OnKeepProportions)
ON_COMMAND(ID_PHOTO_TIMER, OnPictureLater)
ON_COMMAND(ID_INTERVALS, OnPicturesAtIntervals)
ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
ON_MESSAGE(WM_PAINT, OnPaint)
ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
ON_MESSAGE(WM_CLOSE, OnClose)
ON_MESSAGE(WM_POWERBROADCAST, OnPowerBroadcast)
ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
ON_MESSAGE(WM_ENDSESSION, OnEndSession)
ON_MESSAGE(WM_SIZING, OnSizing)
ON_MESSAGE(WM_ENTERSIZEMOVE, OnEnterSizeMove)
ON_MESSAGE(WM_EXITSIZEMOVE, OnExitSizeMove)
ON_MESSAGE(WM_SIZE, OnSize)
ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
ON_MESSAGE(WM_COPYDATA, OnCopyData)
ON_MESSAGE(WM_PROGRAM_COMMAND, OnProgramCommand)
ON_MESSAGE(WM_TIMER, OnTimer)
ON_MESSAGE(WM_PLACE_VIDEO, OnPlaceVideo)
END_MESSAGE_MAP()

CZevuvArividDlg::CZevuvArividDlg(CWnd* parent)
    : CDialog(IDD_ZEVUVARIVID_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {
    g_restartPending = 0;
}

CZevuvArividDlg::~CZevuvArividDlg() {
    if (m_hWnd) DestroyWindow();  // while the toolbar member still exists
}

BOOL CZevuvArividDlg::OnInitDialog() {
    CreateGraphLock();
    CDialog::OnInitDialog();

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        const std::wstring about = Text(IDS_ABOUTBOX), copy = Text(IDS_COPYPICTURE);
        if (!about.empty()) {
            AppendViewEntries(systemMenu->m_hMenu);
            systemMenu->AppendMenuW(MF_SEPARATOR);
            if (!copy.empty()) systemMenu->AppendMenuW(MF_STRING, IDM_COPYPICTURE, copy.c_str());
            systemMenu->AppendMenuW(MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SetAccelerators(LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS)));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        ShowErrorBox(L"%ls", Text(IDS_COINITIALIZE_FAILED).c_str());
        ExitProcess(1);
    }

    if (!LoadToolbar(WindowDpi(m_hWnd))) return FALSE;

    ResetDeviceTables();
    g_recordMode = 0;
    EnumerationObjects enumeration;
    EnumerateDevices(enumeration);
    SelectFirstDevices();
    LoadSettings([this] { CloseSequence(); });
    ShowViewChecks();  // as the stored choices say

    g_hMainWnd = m_hWnd;
    MarkCommandWindow(m_hWnd);
    if (!m_commands.empty()) PostMessage(WM_PROGRAM_COMMAND);

    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, no callback, nothing suppressed
    Gdiplus::GdiplusStartup(&g_gdiplusToken, &gdiplusInput, nullptr);
    return TRUE;  // the enumeration's temporary objects are released here
}

bool CZevuvArividDlg::LoadToolbar(UINT dpi) {
    if (!CreateToolbarForDpi(m_toolbar, this, dpi)) return false;
    RepositionBars(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, 0);
    RECT toolbarRect;
    m_toolbar.GetWindowRect(&toolbarRect);
    g_videoTop = toolbarRect.bottom - toolbarRect.top + ScaleToDpi(3, dpi);
    return true;
}

void CZevuvArividDlg::ShowErrorBox(const wchar_t* format, ...) {
    wchar_t text[1024] = L"";
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(text, 1023, format, args);  // truncated text is still terminated
    va_end(args);
    MessageBoxW(text, Text(IDS_CAPTION_MESSAGE).c_str(), MB_ICONHAND);
}

void CZevuvArividDlg::CloseSequence() {
    CWnd::DeleteWhenIdle(g_optionDlg);  // perhaps from inside its folder browser
    g_optionDlg = nullptr;
    DeleteGraphLock();
    // Pictures asked for before closing are saved while GDI+ still runs; a frame the graph
    // hands over before it stops finds no request any more.
    WithdrawSnapshots();
    g_pictureCopyRequested = 0;
    FinishQueuedSnapshots(m_hWnd);
    if (g_gdiplusToken) {
        Gdiplus::GdiplusShutdown(g_gdiplusToken);
        g_gdiplusToken = 0;
    }
    TeardownGraph(m_hWnd);
    DropQueuedSnapshots(m_hWnd);
    StopShutterSound();
    if (g_restartPending) {
        g_restartPending = 0;
        RequestSystemRestart();
    }
}

void CZevuvArividDlg::EndThroughCloseSequence(int result) {
    if (!m_closeSequenceRan) CloseSequence();
    m_closeSequenceRan = true;
    EndDialog(result);
}

void CZevuvArividDlg::OnOK() { EndThroughCloseSequence(IDOK); }

void CZevuvArividDlg::OnCancel() { EndThroughCloseSequence(IDCANCEL); }

LRESULT CZevuvArividDlg::OnClose(WPARAM, LPARAM) {
    CloseSequence();
    m_closeSequenceRan = true;
    return Default();  // the dialog's cancel, which ends it
}

LRESULT CZevuvArividDlg::OnGraphNotify(WPARAM, LPARAM) { return OnGraphEvent(m_hWnd); }

LRESULT CZevuvArividDlg::OnSnapshot(WPARAM wParam, LPARAM lParam) {
    LRESULT result = OnSnapshotFrame(wParam, lParam);
    ShowViewChecks();  // a series may have ended with this picture
    return result;
}

LRESULT CZevuvArividDlg::OnDeviceChangeMessage(WPARAM wParam, LPARAM) {
    LRESULT result = Default();
    OnDeviceChange(m_hWnd, wParam);
    return result;
}

void CZevuvArividDlg::OnPreview() { StartPreview(m_hWnd); }
void CZevuvArividDlg::OnCapture() { RequestSnapshot(); }
void CZevuvArividDlg::OnRecord() { StartRecording(m_hWnd); }
void CZevuvArividDlg::OnStop() {
    StopIntervalSeries(m_hWnd);
    ShowViewChecks();
    StopCapture(m_hWnd);
}
void CZevuvArividDlg::OnCopyPicture() { RequestPictureCopy(); }

void CZevuvArividDlg::OnMirror() {
    g_settings.mirrorPicture = !g_settings.mirrorPicture;
    StoreSettingDword(L"mirrorPicture", g_settings.mirrorPicture);
    ShowMirrored(g_settings.mirrorPicture != 0);
    ShowViewChecks();
}

void CZevuvArividDlg::OnKeepProportions() {
    g_settings.keepProportions = !g_settings.keepProportions;
    StoreSettingDword(L"keepProportions", g_settings.keepProportions);
    PlaceVideo();
    Invalidate(TRUE);
    ShowViewChecks();
}

// A second press cancels the countdown, as does any other action.
void CZevuvArividDlg::OnPictureLater() {
    if (PhotoCountdownRunning())
        CancelPhotoCountdown(m_hWnd);
    else
        StartPhotoCountdown(m_hWnd);
}

void CZevuvArividDlg::OnPicturesAtIntervals() {
    if (IntervalSeriesRunning())
        StopIntervalSeries(m_hWnd);
    else
        StartIntervalSeries(m_hWnd);
    ShowViewChecks();
}

void CZevuvArividDlg::AppendViewEntries(HMENU menu) {
    const struct {
        UINT id, text;
    } entries[] = {{IDM_MIRROR, IDS_MIRROR},
                   {IDM_KEEP_PROPORTIONS, IDS_KEEP_PROPORTIONS},
                   {IDM_PHOTO_TIMER, IDS_PHOTO_TIMER},
                   {IDM_INTERVALS, IDS_INTERVALS}};
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const auto& entry : entries) ::AppendMenuW(menu, MF_STRING, entry.id, Text(entry.text).c_str());
    ShowViewChecks();
}

void CZevuvArividDlg::ShowViewChecks() {
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!menu) return;
    auto check = [menu](UINT id, bool on) { ::CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(IDM_MIRROR, g_settings.mirrorPicture != 0);
    check(IDM_KEEP_PROPORTIONS, g_settings.keepProportions != 0);
    check(IDM_INTERVALS, IntervalSeriesRunning());
    // The timer's entry says its delay.
    const std::wstring text = Text(IDS_PHOTO_TIMER, {std::to_wstring(g_settings.photoTimerSeconds)});
    if (!text.empty()) ::ModifyMenuW(menu, IDM_PHOTO_TIMER, MF_BYCOMMAND | MF_STRING, IDM_PHOTO_TIMER, text.c_str());
}

namespace {

// The main window's own message: carry out what waited for its turn during a wait.
constexpr UINT WM_RUN_DEFERRED = WM_APP + 2;

// Messages that may start a graph operation: while one waits for the graph they wait for their
// turn. Moving, sizing and minimising the window go on meanwhile, and so does the session's end,
// which cannot wait: the system may end the process once it is answered.
bool StartsGraphOperation(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CLOSE:
        case WM_GRAPHNOTIFY:
        case WM_DEVICECHANGE:
        case WM_POWERBROADCAST:
        case WM_PROGRAM_COMMAND:
            return true;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MOVE:
                case SC_SIZE:
                case SC_MINIMIZE:
                case SC_MAXIMIZE:
                case SC_RESTORE:
                case SC_KEYMENU:
                case SC_MOUSEMENU:
                    return false;
                default:
                    return true;
            }
        default:
            return false;
    }
}

// Any action of the user but the photo timer's own key or entry.
bool CancelsCountdown(UINT message, WPARAM wParam) {
    if (message == WM_COMMAND) return LOWORD(wParam) != ID_PHOTO_TIMER;
    if (message == WM_SYSCOMMAND) {
        const UINT command = static_cast<UINT>(wParam & 0xFFF0);
        return command < 0xF000 && command != IDM_PHOTO_TIMER;  // the program's own entries
    }
    return false;
}

// What ends the capture or the program: a pause of the record build need not be waited out.
bool EndsCapture(UINT message, WPARAM wParam) {
    if (message == WM_COMMAND) return LOWORD(wParam) == ID_STOP || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    if (message == WM_SYSCOMMAND) return (wParam & 0xFFF0) == SC_CLOSE;
    if (message == WM_POWERBROADCAST) return wParam == PBT_APMSUSPEND;
    return message == WM_CLOSE;
}

}  // namespace

// A shortcut does what its button does, and nothing while its button is disabled.
LRESULT CZevuvArividDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (WaitingForGraph() && StartsGraphOperation(message, wParam)) {
        // Its turn comes after the wait (what a device or power message points to is gone by then).
        const bool pointsAway = message == WM_DEVICECHANGE || message == WM_POWERBROADCAST;
        m_deferred.push_back({message, wParam, pointsAway ? 0 : lParam});
        if (m_deferred.size() == 1) ::PostMessageW(m_hWnd, WM_RUN_DEFERRED, 0, 0);
        if (EndsCapture(message, wParam)) EndWaitEarly();
        return message == WM_POWERBROADCAST ? TRUE : 0;
    }
    if (PhotoCountdownRunning() && CancelsCountdown(message, wParam)) CancelPhotoCountdown(m_hWnd);
    if (message == WM_RUN_DEFERRED) {
        std::vector<Deferred> deferred;
        deferred.swap(m_deferred);
        for (const Deferred& d : deferred) {
            m_replaying = true;
            SendMessage(d.message, d.wParam, d.lParam);
            m_replaying = false;
        }
        return 0;
    }
    const WORD fromAccelerator = 1;
    if (message == WM_COMMAND && (HIWORD(wParam) == fromAccelerator || m_replaying) && m_toolbar.m_hWnd) {
        LRESULT state = m_toolbar.SendMessage(TB_GETSTATE, LOWORD(wParam));
        if (state != -1 && !(state & TBSTATE_ENABLED)) return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CZevuvArividDlg::OnOption() {
    CWnd::DeleteWhenIdle(g_optionDlg);  // its window goes with it
    g_optionDlg = new (std::nothrow) OptionDlg(nullptr);
    if (!g_optionDlg) return;
    g_optionDlg->m_pMainDlg = this;
    if (g_optionDlg->Create(IDD_OPTION, nullptr)) g_optionDlg->ShowWindow(SW_SHOW);
}

LRESULT CZevuvArividDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return 0;
    }
    const struct {
        UINT systemCommand, command;
    } entries[] = {{IDM_COPYPICTURE, ID_COPY_PICTURE},
                   {IDM_MIRROR, ID_MIRROR},
                   {IDM_KEEP_PROPORTIONS, ID_KEEP_PROPORTIONS},
                   {IDM_PHOTO_TIMER, ID_PHOTO_TIMER},
                   {IDM_INTERVALS, ID_INTERVALS}};
    for (const auto& entry : entries) {
        if ((wParam & 0xFFF0) != entry.systemCommand) continue;
        SendMessage(WM_COMMAND, entry.command);  // as the shortcut does
        return 0;
    }
    return Default();
}

LRESULT CZevuvArividDlg::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(&client);
    if (IsIconic()) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
        int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
    } else {
        // The band XORed with itself is black: the video area before any video.
        BitBlt(dc, 0, g_videoTop, client.right, client.bottom - g_videoTop, dc, 0, g_videoTop,
               SRCINVERT);
        if (m_toolbar.m_hWnd) m_toolbar.Invalidate(TRUE);
    }
    EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CZevuvArividDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CZevuvArividDlg::OnPowerBroadcast(WPARAM wParam, LPARAM) {
    if (wParam == PBT_APMSUSPEND) OnPowerSuspend(m_hWnd);
    if (wParam == PBT_APMRESUMEAUTOMATIC) OnPowerResume(m_hWnd);
    return Default();
}

LRESULT CZevuvArividDlg::OnQueryEndSession(WPARAM, LPARAM) { return TRUE; }

// The session ends without a WM_CLOSE: stopping the graph here is what closes a recording's file,
// before the answer lets the system end the process (also in the midst of a wait for the graph).
LRESULT CZevuvArividDlg::OnEndSession(WPARAM ending, LPARAM) {
    if (ending) OnSessionEnd(m_hWnd);
    return 0;
}

void CZevuvArividDlg::MoveToolbar(int width) {
    if (!m_toolbar.m_hWnd) return;
    RECT toolbarClient;
    m_toolbar.GetClientRect(&toolbarClient);
    m_toolbar.MoveWindow(0, 0, width, toolbarClient.bottom, TRUE);
}

void CZevuvArividDlg::PlaceVideo() {
    if (!WaitingForGraph()) {
        PlaceVideoWindow(m_hWnd);
    } else if (!m_placeVideoLater) {
        m_placeVideoLater = true;
        PostMessage(WM_PLACE_VIDEO);  // a message of WM_APP's range: taken once the wait is over
    }
}

LRESULT CZevuvArividDlg::OnPlaceVideo(WPARAM, LPARAM) {
    m_placeVideoLater = false;
    PlaceVideo();
    return 0;
}

LRESULT CZevuvArividDlg::OnSizing(WPARAM, LPARAM lParam) {
    PlaceVideo();
    auto* proposed = reinterpret_cast<const RECT*>(lParam);
    MoveToolbar(proposed->right - proposed->left);
    return Default();
}

LRESULT CZevuvArividDlg::OnEnterSizeMove(WPARAM, LPARAM) {
    ModifyStyle(0, WS_CLIPCHILDREN);
    return Default();
}

LRESULT CZevuvArividDlg::OnExitSizeMove(WPARAM, LPARAM) {
    ModifyStyle(WS_CLIPCHILDREN, 0);
    return Default();
}

LRESULT CZevuvArividDlg::OnTimer(WPARAM id, LPARAM) {
    if (id == kFirstFrameTimer) OnFirstFrameTimer(m_hWnd);
    if (id == kRecordingTimer) OnRecordingTimer(m_hWnd);
    if (id == kFrameWatchTimer) OnFrameWatchTimer(m_hWnd);
    if (id == kResumeTimer) OnResumeTimer(m_hWnd);
    if (id == kPhotoTimer) OnPhotoTimer(m_hWnd);
    if (id == kIntervalTimer) {
        OnIntervalTimer(m_hWnd);
        ShowViewChecks();
    }
    return 0;
}

LRESULT CZevuvArividDlg::OnSize(WPARAM, LPARAM lParam) {
    PlaceVideo();
    MoveToolbar(LOWORD(lParam));
    return Default();
}

// Moved to a screen of another scale: the window takes the size the system suggests for it and
// the toolbar the pictures drawn for that scale.
LRESULT CZevuvArividDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    Default();  // the dialog manager scales what it made from the template
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LoadToolbar(HIWORD(wParam));
    PlaceVideo();
    Invalidate(TRUE);
    return 0;
}

void CZevuvArividDlg::QueueCommand(PendingCommand command) {
    m_commands.push_back(std::move(command));
    if (m_hWnd && m_commands.size() == 1) PostMessage(WM_PROGRAM_COMMAND);
}

// A command from a second start of the program: taken when well-formed, carried out in turn.
LRESULT CZevuvArividDlg::OnCopyData(WPARAM, LPARAM lParam) {
    PendingCommand command;
    if (!ReadCommandMessage(reinterpret_cast<const COPYDATASTRUCT*>(lParam), &command)) return FALSE;
    QueueCommand(std::move(command));
    return TRUE;
}

// While a message box or a modal dialog holds the window, nothing can be pressed: refused.
LRESULT CZevuvArividDlg::OnProgramCommand(WPARAM, LPARAM) {
    std::vector<PendingCommand> commands;
    commands.swap(m_commands);
    for (const PendingCommand& command : commands) {
        if (IsWindowEnabled(m_hWnd))
            RunProgramCommand(m_hWnd, command);
        else
            ReplyToCommand(command, kCommandRefused);
    }
    return 0;
}
