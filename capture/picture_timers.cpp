// The photo timer and pictures at intervals.
#include "picture_timers.h"

#include "capture/capture_state.h"
#include "capture/graph_control.h"
#include "capture/graph_wait.h"
#include "capture/window_title.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_pipeline.h"

#include <utility>

namespace {

int g_secondsLeft = 0;  // of the countdown; 0 while none runs
bool g_seriesRunning = false;
int g_seriesSaved = 0;
int g_seriesLimit = 0;  // 0: no limit
unsigned g_seriesId = 0;  // pictures of an ended series count for none

// Saved pictures count towards their series; one that could not be saved ends it before the
// message about it is shown (so that the message comes once); one never taken (the capture
// started anew before its frame came) is left out.
void AskForSeriesPicture(HWND mainWnd) {
    SnapshotOptions options;
    options.silent = g_seriesSaved > 0;  // the shutter sound at the first picture only
    const unsigned series = g_seriesId;
    options.done = [mainWnd, series](PictureOutcome outcome) {
        if (!g_seriesRunning || series != g_seriesId || outcome == PictureOutcome::NotTaken) return;
        if (outcome == PictureOutcome::NotSaved) {
            StopIntervalSeries(mainWnd);
            return;
        }
        ++g_seriesSaved;
        if (g_seriesLimit > 0 && g_seriesSaved >= g_seriesLimit) StopIntervalSeries(mainWnd);
        ShowCaptureTitle(mainWnd);
    };
    RequestSnapshot(std::move(options));
}

}  // namespace

void StartPhotoCountdown(HWND mainWnd) {
    if (g_captureState == Stopped) return;  // no picture to take
    g_secondsLeft = g_settings.photoTimerSeconds > 0 ? g_settings.photoTimerSeconds : 5;
    SetTimer(mainWnd, kPhotoTimer, 1000, nullptr);
    ShowCaptureTitle(mainWnd);
}

void CancelPhotoCountdown(HWND mainWnd) {
    if (!g_secondsLeft) return;
    g_secondsLeft = 0;
    KillTimer(mainWnd, kPhotoTimer);
    ShowCaptureTitle(mainWnd);
}

bool PhotoCountdownRunning() { return g_secondsLeft > 0; }

void OnPhotoTimer(HWND mainWnd) {
    if (g_secondsLeft > 1) {
        --g_secondsLeft;
        ShowCaptureTitle(mainWnd);
        return;
    }
    CancelPhotoCountdown(mainWnd);
    if (g_captureState != Stopped) RequestSnapshot();
}

bool StartIntervalSeries(HWND mainWnd) {
    if (g_captureState == Stopped) return false;
    g_seriesRunning = true;
    g_seriesSaved = 0;
    g_seriesLimit = g_settings.intervalPictures;
    ++g_seriesId;
    const int seconds = g_settings.intervalSeconds >= 1 ? g_settings.intervalSeconds : 1;
    SetTimer(mainWnd, kIntervalTimer, static_cast<UINT>(seconds) * 1000u, nullptr);
    AskForSeriesPicture(mainWnd);
    ShowCaptureTitle(mainWnd);
    return true;
}

void StopIntervalSeries(HWND mainWnd) {
    if (!g_seriesRunning) return;
    g_seriesRunning = false;
    KillTimer(mainWnd, kIntervalTimer);
    ShowCaptureTitle(mainWnd);
}

bool IntervalSeriesRunning() { return g_seriesRunning; }

void OnIntervalTimer(HWND mainWnd) {
    if (WaitingForGraph()) return;  // a rebuild (Record, a new preview) is under way: its state is not the capture's
    if (g_captureState == Stopped) {
        StopIntervalSeries(mainWnd);
        return;
    }
    AskForSeriesPicture(mainWnd);
}

std::wstring PictureTimersTitle() {
    std::wstring text;
    if (g_secondsLeft > 0) text += L" - " + Text(IDS_TITLE_PICTURE_IN, {std::to_wstring(g_secondsLeft)});
    if (g_seriesRunning && g_seriesLimit > 0)
        text += L" - " + Text(IDS_TITLE_INTERVAL_OF, {std::to_wstring(g_seriesSaved), std::to_wstring(g_seriesLimit)});
    else if (g_seriesRunning)
        text += L" - " + Text(IDS_TITLE_INTERVAL, {std::to_wstring(g_seriesSaved)});
    return text;
}
