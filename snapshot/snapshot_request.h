// The snapshot requests and the message that carries a grabbed frame to the main window.
// g_snapshotRequested counts the pictures asked for that no frame was taken for yet: raised by
// the user-interface thread, lowered by one for each frame the graph's streaming thread takes.
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
