// The main window's toolbar, made with the pictures drawn for the screen's scale.
#pragma once
#include <windows.h>

#include "ui/true_color_toolbar.h"

// One drawn set: the toolbar resource with its 16-colour pictures, and the true-colour ones.
struct ToolbarArt {
    int percent;
    UINT toolbarId;
    UINT normalId;
    UINT disabledId;
};

// The set drawn nearest to `dpi`'s scale (of two as near, the larger).
const ToolbarArt& ToolbarArtForDpi(UINT dpi);

// Creates `toolbar` along `parent`'s top with the set for `dpi`, its buttons and their gaps at
// that scale. A toolbar already there is replaced, its buttons keeping their states. False
// when the bar could not be made.
bool CreateToolbarForDpi(CTrueColorToolBar& toolbar, CWnd* parent, UINT dpi);
