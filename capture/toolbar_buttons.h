// Enabling and disabling the main window's toolbar buttons from the capture engine, through
// the toolbar's own state messages.
#pragma once
#include <windows.h>

// Reads the button's state and writes it back with the enabled bit set or cleared. Does
// nothing when the main window has no toolbar.
void SetToolbarButtonEnabled(HWND mainWnd, UINT commandId, bool enabled);
