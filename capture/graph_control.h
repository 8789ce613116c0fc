// When the capture graph is built, rebuilt and torn down; the capture state; the reactions to
// graph events, device changes and suspend. Every operation runs on the user-interface thread
// with the main window.
#pragma once
#include <windows.h>

// The graph's event notification, posted to the main window.
constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;

void StartPreview(HWND mainWnd);
void RequestSnapshot();
void StartRecording(HWND mainWnd);
void StopCapture(HWND mainWnd);
void RebuildGraph(HWND mainWnd);
// Safe without a graph: then it only sets Stopped and enables the Preview and Record buttons.
void TeardownGraph(HWND mainWnd);
// Drains the graph's events; a lost device tears down and refreshes the catalogue.
HRESULT OnGraphEvent(HWND mainWnd);
void OnDeviceChange(HWND mainWnd, WPARAM eventType);
void OnPowerSuspend(HWND mainWnd);
