// When the capture graph is built, rebuilt and torn down; the capture state; the reactions to
// graph events, device changes and suspend. Every operation runs on the user-interface thread
// with the main window.
#pragma once
#include <windows.h>

#include "capture/capture_graph.h"
#include "snapshot/snapshot_pipeline.h"

void StartPreview(HWND mainWnd);
// Asks for the next frame as a picture, saved as `options` say (replacing options not used yet).
void RequestSnapshot(SnapshotOptions options = {});
// The next frame to the clipboard; nothing while no graph runs.
void RequestPictureCopy();
void StartRecording(HWND mainWnd);
void StopCapture(HWND mainWnd);
void RebuildGraph(HWND mainWnd);
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
// Drains the graph's events; a lost device tears down and refreshes the catalogue.
HRESULT OnGraphEvent(HWND mainWnd);
// A device change while nothing is captured refreshes the catalogue; the preview starts again
// when the camera lost while one ran is back.
void OnDeviceChange(HWND mainWnd, WPARAM eventType);
// Suspend tears the graph down; resume starts the preview again when a preview or recording
// ran as the computer went to sleep (a recording is not resumed: its file was closed).
void OnPowerSuspend(HWND mainWnd);
void OnPowerResume(HWND mainWnd);
