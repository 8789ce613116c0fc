// The words under the toolbar's pictures in the user interface's language: the art has them in
// English; for another language they are drawn anew at run time, in the system's UI font at
// the pictures' scale, where the art has its own.
#pragma once
#include <windows.h>

// Draws over `bitmap` (a DIB section of `buttonWidth`-wide buttons, `description` its
// GetObject) each button's word in `colour`, after clearing the English one's band to the
// colour of the bitmap's first stored pixel (the transparent one).
void DrawToolbarWords(HBITMAP bitmap, const BITMAP& description, int buttonWidth, COLORREF colour);
