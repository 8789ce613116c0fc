// The dots per inch a window is drawn at, on every Windows version the program runs on.
#pragma once
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI of the monitor `hwnd` is on for a per-monitor aware program (Windows 10 1607 on);
// before that version, the system's DPI. 96 when neither can be read.
UINT WindowDpi(HWND hwnd);

// `value` pixels at 96 DPI, at `dpi`.
inline int ScaleToDpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }
