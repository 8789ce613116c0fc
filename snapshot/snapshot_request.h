// The one-shot snapshot request and the message that carries a grabbed frame to the main
// window. g_snapshotRequested is set by the user-interface thread and read and cleared by the
// graph's streaming thread.
#pragma once
#include <windows.h>

#include <atomic>

// wParam: a malloc'd copy of the frame, owned by the receiver; lParam: width << 16 | height.
constexpr UINT WM_SNAPSHOT = WM_USER + 3;

extern std::atomic<int> g_snapshotRequested;
// The next frame goes to the clipboard instead of a file (set like the snapshot request).
extern std::atomic<int> g_pictureCopyRequested;
// Frames the grabber has handed to the snapshot callback (every frame goes there), counted on
// the streaming thread.
extern std::atomic<unsigned> g_framesGrabbed;
// The window that receives WM_SNAPSHOT; set once before any graph runs.
extern HWND g_hMainWnd;
