// The main window: a resizable dialog with the toolbar along its top edge and the video area
// below it. Its initialisation also starts COM, the device catalogue, the settings and GDI+;
// its message table binds the toolbar, device, power and graph messages to the capture engine.
#pragma once
#include <windows.h>

#include <vector>

#include "app/program_commands.h"
#include "framework/cdialog.h"
#include "ui/true_color_toolbar.h"

// Posted to the main window: place the video, which a wait for the graph held back.
constexpr UINT WM_PLACE_VIDEO = WM_APP + 5;

// Token of the running GDI+ library; 0 while it is not running.
extern ULONG_PTR g_gdiplusToken;

class CZevuvArividDlg : public CDialog {
public:
    explicit CZevuvArividDlg(CWnd* parent = nullptr);
    ~CZevuvArividDlg() override;

    // The close-time teardown: options dialog, graph lock, GDI+, graph, then the system
    // restart when one is pending. The window itself is not closed here.
    void CloseSequence();
    // Shows a formatted message (at most 1022 characters) with a stop icon.
    void ShowErrorBox(const wchar_t* format, ...);

    CTrueColorToolBar& Toolbar() { return m_toolbar; }
    // A command to carry out once the window runs (given before it is created) or next.
    void QueueCommand(PendingCommand command);

protected:
    BOOL OnInitDialog() override;
    // Enter and Esc end the program through the close-time teardown, as closing does.
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnSnapshot(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeviceChangeMessage(WPARAM wParam, LPARAM lParam);
    void OnPreview();
    void OnCapture();
    void OnRecord();
    void OnStop();
    void OnOption();
    void OnCopyPicture();
    void OnMirror();
    void OnKeepProportions();
    void OnPictureLater();
    void OnPicturesAtIntervals();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnSizing(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnterSizeMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnExitSizeMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM id, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlaceVideo(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void EndThroughCloseSequence(int result);
    void MoveToolbar(int width);
    // Places the video in the window as it is now; while the window waits for the graph (whose
    // calls a stuck camera may hold up), once the wait is over.
    void PlaceVideo();
    // (Re)makes the toolbar for `dpi` and puts the video area below it.
    bool LoadToolbar(UINT dpi);
    // The system menu's entries for the view, the photo timer and the interval series, and
    // their check marks (and the timer's delay) as the choices are now.
    void AppendViewEntries(HMENU menu);
    void ShowViewChecks();


    HICON m_hIcon;
    CTrueColorToolBar m_toolbar;
    // What came while the window waited for the graph, carried out after the wait in its order
    // (a button then does what its state says by then).
    struct Deferred {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Deferred> m_deferred;
    bool m_replaying = false;
    bool m_closeSequenceRan = false;  // by WM_CLOSE, before the dialog's cancel ends it
    bool m_placeVideoLater = false;   // WM_PLACE_VIDEO is on its way
    std::vector<PendingCommand> m_commands;  // from the command line, waiting for their turn
};
