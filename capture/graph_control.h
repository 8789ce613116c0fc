// When the capture graph is built, rebuilt and torn down; the capture state; the reactions to
// graph events, device changes and suspend. Every operation runs on the user-interface thread
// with the main window.
#pragma once
#include <windows.h>

#include "capture/capture_graph.h"
#include "snapshot/snapshot_pipeline.h"

void StartPreview(HWND mainWnd);
// Asks for a picture of the next frame, saved as `options` say (requests queue, a frame each).
void RequestSnapshot(SnapshotOptions options = {});
// The next frame to the clipboard; nothing while no graph runs.
void RequestPictureCopy();
void StartRecording(HWND mainWnd);
void StopCapture(HWND mainWnd);
// Tears down and builds the graph of the mode in g_recordMode; `quietly`, its failures tell
// nobody (a camera tried again by itself).
void RebuildGraph(HWND mainWnd, bool quietly = false);
// Safe without a graph: then it only sets Stopped and enables the Preview and Record buttons.
// False when the graph did not stop in time (a stuck camera) and was left to itself; the caller
// says so to the user where a person asked for it. A streaming error (`failed`: the graph's
// notification had one; or a recording's writer that reports one while it stops) is told to the
// user here, in one message.
bool TeardownGraph(HWND mainWnd, bool failed = false);
// The main window's timer, set when a graph runs: a camera that has delivered no frame by then
// has stopped responding, and the graph is torn down.
constexpr UINT_PTR kFirstFrameTimer = 0x5746;
constexpr UINT kFirstFrameLimitMs = 5000;
void OnFirstFrameTimer(HWND mainWnd);
// The main window's timer while a recording runs: the title's time and size, once a second.
constexpr UINT_PTR kRecordingTimer = 0x5747;
void OnRecordingTimer(HWND mainWnd);
// The main window's timer while a graph runs: a camera that sent frames and then none for 3 s
// (or three frame times) has stopped sending. The graph goes as for a lost camera, the title
// says so, and the camera is tried again by itself (with kResumeTimer) until its frames come.
constexpr UINT_PTR kFrameWatchTimer = 0x574A;
constexpr UINT kFrameWatchMs = 500;
void OnFrameWatchTimer(HWND mainWnd);
constexpr UINT_PTR kResumeTimer = 0x574B;
void OnResumeTimer(HWND mainWnd);
// Drains the graph's events; a lost device (the camera or the microphone, as the title then
// says) tears down and refreshes the catalogue.
HRESULT OnGraphEvent(HWND mainWnd);
// A device change while nothing is captured refreshes the catalogue; the preview starts again
// when the camera lost while one ran is back.
void OnDeviceChange(HWND mainWnd, WPARAM eventType);
// The session ends (shut down, log off): the graph is torn down at once, also while the window
// waits for it (the recording closed before this returns), and nothing starts again.
void OnSessionEnd(HWND mainWnd);
// Suspend tears the graph down; resume starts the preview again when a preview or recording
// ran as the computer went to sleep (a recording is not resumed: its file was closed).
void OnPowerSuspend(HWND mainWnd);
void OnPowerResume(HWND mainWnd);
