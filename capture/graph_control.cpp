// Graph control, events and teardown.
#include "graph_control.h"

#include <dbt.h>

#include <algorithm>
#include <utility>

#include "capture/capture_graph.h"
#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/frame_watch.h"
#include "capture/graph_lock.h"
#include "capture/graph_wait.h"
#include "capture/recording_status.h"
#include "capture/toolbar_buttons.h"
#include "capture/window_title.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "framework/cwnd.h"
#include "framework/modal_seam.h"
#include "framework/ui_texts.h"
#include "recorder/jpeg_compressor.h"
#include "resources/resource.h"
#include "snapshot/snapshot_request.h"

int g_captureState = Stopped;
int g_recordMode = 0;
int g_deviceRescanPending = 0;
bool g_recordingWithoutSound = false;

namespace {

// The session has ended (the computer shuts down, the user logs off): the recording is closed,
// nothing starts again and nothing asks the user anything any more.
bool g_sessionEnded = false;

void ReportCameraNotResponding(HWND mainWnd) {
    if (g_sessionEnded) return;
    AfxModalSeam().messageBox(mainWnd, Text(IDS_CAMERA_NOT_RESPONDING).c_str(), Text(IDS_CAPTION_ERROR).c_str(),
                              MB_OK | MB_ICONEXCLAMATION);
}

// Events after which the graph cannot go on: a filter stopped streaming with an error (a writer
// that cannot write, a device that failed).
bool IsStreamingError(long code) {
    return code == EC_ERRORABORT || code == EC_ERRORABORTEX || code == EC_STREAM_ERROR_STOPPED;
}

// Takes every waiting event of the graph; true when one of them was a streaming error.
bool TakeStreamingErrors() {
    bool found = false;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (g_pMediaEvent && SUCCEEDED(g_pMediaEvent->GetEvent(&code, &param1, &param2, 0))) {
        found = found || IsStreamingError(code);
        g_pMediaEvent->FreeEventParams(code, param1, param2);
    }
    return found;
}

void ReportStreamingError(HWND mainWnd, bool recording) {
    if (g_sessionEnded) return;
    AfxModalSeam().messageBox(mainWnd, Text(recording ? IDS_RECORDING_NOT_WRITTEN : IDS_CAPTURE_ERROR).c_str(),
                              Text(IDS_CAPTION_ERROR).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// What starts again by itself: the preview after the computer wakes, when a preview or recording
// ran as it went to sleep; the preview when the camera that was lost while one ran comes back;
// the preview when a camera that fell silent sends again. Forgotten as soon as the user starts or
// stops anything.
bool g_resumeAfterSleep = false;
std::wstring g_resumeCamera;

// A camera that fell silent is tried again, quietly, until its frames come: first after 3 s,
// then after twice the last wait, up to a minute.
struct SilentCamera {
    std::wstring id;            // the camera waited for; empty: none
    DWORD retryMs = 0;
    bool wasRecording = false;  // the title's note says a recording stopped
    bool trying = false;        // the running graph is a try: its failures tell nobody
} g_silent;
constexpr DWORD kFirstRetryMs = 3000, kLastRetryMs = 60000;

FrameWatch g_frameWatch;

void ForgetResume(HWND mainWnd) {
    g_resumeAfterSleep = false;
    g_resumeCamera.clear();
    g_silent = SilentCamera();
    KillTimer(mainWnd, kResumeTimer);
    ClearTitleNote();
}

void TryAgainLater(HWND mainWnd) {
    g_silent.trying = false;
    SetTimer(mainWnd, kResumeTimer, g_silent.retryMs, nullptr);
    g_silent.retryMs = std::min(g_silent.retryMs * 2, kLastRetryMs);
}

// The camera stopped sending while a graph ran: the graph goes as for a lost camera (a
// recording closed with what came), the title says why, and the camera is tried again.
void CameraFellSilent(HWND mainWnd) {
    const bool recording = g_captureState == Recording;
    if (g_silent.id.empty()) g_silent.wasRecording = recording;
    g_silent.id = g_graphCameraId;
    g_silent.retryMs = kFirstRetryMs;
    if (recording || !g_silent.wasRecording)
        SetTitleNote(Text(recording ? IDS_NOTE_RECORDING_SILENT : IDS_NOTE_SILENT).c_str());
    if (!TeardownGraph(mainWnd)) ReportCameraNotResponding(mainWnd);
    TryAgainLater(mainWnd);
}

// Its frames came again: the preview runs as before (a note of a recording it stopped stays).
void CameraSendsAgain(HWND mainWnd) {
    if (!g_silent.wasRecording) ClearTitleNote();
    g_silent = SilentCamera();
    ShowCaptureTitle(mainWnd);
}

// The preview started again by itself: a note of what stopped a recording stays.
void ResumePreview(HWND mainWnd) {
    g_recordMode = 0;
    RebuildGraph(mainWnd);
}

// Whether `filter` is the graph's filter of that name.
bool IsGraphFilter(IUnknown* filter, const wchar_t* name) {
    Microsoft::WRL::ComPtr<IBaseFilter> named;
    Microsoft::WRL::ComPtr<IUnknown> identity, other;
    if (!filter || !g_pGraph || FAILED(g_pGraph->FindFilterByName(name, &named)) || FAILED(named.As(&identity)) ||
        FAILED(filter->QueryInterface(IID_PPV_ARGS(&other))))
        return false;
    return identity.Get() == other.Get();
}

// Hides the renderer's windows in the video area without a word to the graph, which a stuck
// camera may keep busy: asynchronously, whichever thread they belong to.
void HideVideoWindows(HWND mainWnd) {
    for (HWND child = GetWindow(mainWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) != AFX_IDW_TOOLBAR) ShowWindowAsync(child, SW_HIDE);
}

}  // namespace

void StartPreview(HWND mainWnd) {
    g_sessionEnded = false;  // a person's start: the session goes on after all
    ForgetResume(mainWnd);
    g_recordMode = 0;
    WithdrawSnapshots();
    g_pictureCopyRequested = 0;
    RebuildGraph(mainWnd);
}

void RequestSnapshot(SnapshotOptions options) { QueueSnapshot(std::move(options)); }

void RequestPictureCopy() {
    if (g_captureState != Stopped) g_pictureCopyRequested = 1;
}

void StartRecording(HWND mainWnd) {
    g_sessionEnded = false;
    ForgetResume(mainWnd);
    g_recordMode = 1;
    RebuildGraph(mainWnd);
}

void StopCapture(HWND mainWnd) {
    ForgetResume(mainWnd);
    if (g_captureState == Recording) {
        g_recordMode = 0;
        WithdrawSnapshots();
        g_pictureCopyRequested = 0;
        RebuildGraph(mainWnd);  // the recording ends, the preview goes on
    } else if (!TeardownGraph(mainWnd)) {
        ReportCameraNotResponding(mainWnd);
    }
}

void RebuildGraph(HWND mainWnd, bool quietly) {
    if (g_sessionEnded) return;
    PassGraphLock();
    if (!TeardownGraph(mainWnd) && !quietly) ReportCameraNotResponding(mainWnd);  // a fresh graph all the same
    // The flag stays set. A camera that was missing may have become usable meanwhile.
    if (g_deviceRescanPending || StoredCameraMissing()) RefreshDeviceSelection();
    const HRESULT hr = BuildCaptureGraph(mainWnd);
    if (SUCCEEDED(hr)) {
        g_frameWatch.Start(FrameTimeOfRun());
        SetTimer(mainWnd, kFrameWatchTimer, kFrameWatchMs, nullptr);
        return;
    }
    // What it built is let go of; the user hears why, unless the session ended during the
    // build's waits or nobody asked for it.
    const bool tell = !g_sessionEnded && !quietly;
    if (hr == kCameraNotResponding || hr == kCameraBusy) {
        TeardownGraph(mainWnd);
        if (!tell) return;
        if (hr == kCameraBusy)
            AfxModalSeam().messageBox(mainWnd, Text(IDS_CAMERA_BUSY).c_str(), Text(IDS_CAPTION_ERROR).c_str(),
                                      MB_OK | MB_ICONEXCLAMATION);
        else
            ReportCameraNotResponding(mainWnd);
        return;
    }
    const std::wstring error = Text(IDS_CAPTION_ERROR);
    if (tell && hr == kConnectionFailed) AfxModalSeam().messageBox(mainWnd, Text(IDS_CANNOT_CONNECT).c_str(), error.c_str(), MB_OK);
    if (tell) AfxModalSeam().messageBox(mainWnd, Text(IDS_CANNOT_CONNECT_DEVICE).c_str(), error.c_str(), MB_OK);
    TeardownGraph(mainWnd);
}

bool TeardownGraph(HWND mainWnd, bool failed) {
    const bool recording = g_captureState == Recording;
    KillTimer(mainWnd, kFirstFrameTimer);
    KillTimer(mainWnd, kRecordingTimer);
    KillTimer(mainWnd, kFrameWatchTimer);
    g_frameWatch.Stop();
    EndRecordingStatus();
    g_recordingStarting = false;
    // The stop waits for the streaming threads; where one is stuck, the graph is left to finish
    // on the stopping thread and never touched again (the recording's writer, stopped before
    // the camera, has closed its file).
    bool stopped = !g_pMediaControl || CallBounded([control = g_pMediaControl] { control->StopWhenReady(); });
    // A writer that could not finish its file says so while it stops.
    const bool unfinished = stopped && recording && TakeStreamingErrors();
    g_captureState = Stopped;
    if (!stopped) {
        HideVideoWindows(mainWnd);
    } else {
        if (g_pMediaEvent) g_pMediaEvent->SetNotifyWindow(0, WM_GRAPHNOTIFY, 0);
        if (g_pVideoWindow) {
            g_pVideoWindow->put_Visible(OAFALSE);
            g_pVideoWindow->put_Owner(0);
        }
    }
    // Releasing the graph manager releases its filters; this is what closes a recording.
    g_pMediaControl.Reset();
    g_pMediaEvent.Reset();
    g_pVideoWindow.Reset();
    g_pGraph.Reset();
    g_pBuilder.Reset();
    g_graphCameraId.clear();
    g_previewConverter = nullptr;
    g_recordingCompressor = nullptr;
    g_recordingWithoutSound = false;
    SetToolbarButtonEnabled(mainWnd, ID_PREVIEW, true);
    SetToolbarButtonEnabled(mainWnd, ID_RECORD, true);
    ShowCaptureTitle(mainWnd);
    // One message for one failure, however its events came: some with the graph's notification,
    // some only while it stopped.
    if (failed || unfinished) ReportStreamingError(mainWnd, recording);
    return stopped;
}

void OnRecordingTimer(HWND mainWnd) {
    UpdateRecordingStatus(FramesSinceRun(), g_recordingCompressor ? g_recordingCompressor->FramesDropped() : 0);
    ShowCaptureTitle(mainWnd);
}

void OnFrameWatchTimer(HWND mainWnd) {
    if (WaitingForGraph() || g_captureState == Stopped) return;
    const unsigned frames = FramesSinceRun();
    if (g_silent.trying && frames > 0) CameraSendsAgain(mainWnd);
    if (g_frameWatch.FellSilent(frames)) CameraFellSilent(mainWnd);
}

void OnResumeTimer(HWND mainWnd) {
    KillTimer(mainWnd, kResumeTimer);
    if (g_silent.id.empty() || g_sessionEnded) return;
    if (WaitingForGraph() || g_captureState != Stopped) {  // not now: something else runs
        SetTimer(mainWnd, kResumeTimer, 1000, nullptr);
        return;
    }
    RefreshDeviceSelection();
    if (FindVideoDeviceById(g_silent.id.c_str()) >= 0 && g_silent.id == g_videoDeviceID) {
        g_silent.trying = true;
        g_recordMode = 0;
        RebuildGraph(mainWnd, true);
        if (g_captureState != Stopped) return;  // its watches tell whether frames come
    }
    TryAgainLater(mainWnd);
}

void OnFirstFrameTimer(HWND mainWnd) {
    if (WaitingForGraph()) return;  // the timer comes again
    KillTimer(mainWnd, kFirstFrameTimer);
    if (g_captureState == Stopped || FramesSinceRun() > 0) return;
    // The camera has not delivered a single frame since the graph ran.
    TeardownGraph(mainWnd);
    if (g_silent.trying)
        TryAgainLater(mainWnd);  // still silent
    else
        ReportCameraNotResponding(mainWnd);
}

HRESULT OnGraphEvent(HWND mainWnd) {
    if (!g_pMediaEvent) return E_POINTER;
    HRESULT result = 0;
    bool deviceLost = false, microphoneLost = false;
    bool streamingError = false;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(g_pMediaEvent->GetEvent(&code, &param1, &param2, 0))) {
        if (code == EC_DEVICE_LOST && param2 == 0) {  // removed (1 would be: available again)
            deviceLost = true;
            microphoneLost = microphoneLost || IsGraphFilter(reinterpret_cast<IUnknown*>(param1), L"Audio Capture");
        }
        if (IsStreamingError(code)) streamingError = true;
        result = g_pMediaEvent->FreeEventParams(code, param1, param2);
    }
    // Closes what was written and tells the user, once.
    if (streamingError && !TeardownGraph(mainWnd, true)) ReportCameraNotResponding(mainWnd);
    if (deviceLost) {
        if (g_captureState != Stopped) g_resumeCamera = g_graphCameraId;
        if (g_captureState == Recording)
            SetTitleNote(Text(microphoneLost ? IDS_NOTE_MICROPHONE_LOST : IDS_NOTE_CAMERA_LOST).c_str());
        if (!TeardownGraph(mainWnd)) ReportCameraNotResponding(mainWnd);
        RefreshDeviceSelection();
    }
    return result;
}

void OnDeviceChange(HWND mainWnd, WPARAM eventType) {
    PassGraphLock();
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE &&
        eventType != DBT_DEVNODES_CHANGED)
        return;
    if (g_captureState == Stopped) {
        RefreshDeviceSelection();
        if (!g_resumeCamera.empty() && FindVideoDeviceById(g_resumeCamera.c_str()) >= 0) {
            g_resumeCamera.clear();
            ResumePreview(mainWnd);  // the lost camera is back
        }
    } else {
        g_deviceRescanPending = 1;
    }
}

void OnSessionEnd(HWND mainWnd) {
    g_sessionEnded = true;
    ForgetResume(mainWnd);
    EndWaitEarly();          // a record build's pause ends as soon as this returns
    TeardownGraph(mainWnd);  // the recording is closed before the system hears back
}

void OnPowerSuspend(HWND mainWnd) {
    g_resumeAfterSleep = g_captureState != Stopped;
    if (g_captureState == Recording) SetTitleNote(Text(IDS_NOTE_SLEEP).c_str());  // its file is closed
    TeardownGraph(mainWnd);  // no message: the computer sleeps
}

void OnPowerResume(HWND mainWnd) {
    if (!g_resumeAfterSleep) return;
    g_resumeAfterSleep = false;
    ResumePreview(mainWnd);
}
