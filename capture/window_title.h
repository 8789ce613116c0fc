// The main window's title says what the capture is doing: the program's name alone while it
// rests or shows the picture, "<name> - recording without sound" while a recording without a
// microphone runs. User-interface thread only.
#pragma once
#include <windows.h>

// Sets the title for the capture state as it is now.
void ShowCaptureTitle(HWND mainWnd);
