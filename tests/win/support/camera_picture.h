// The virtual camera's picture as the program should show and save it: the renderer's window,
// the expected screen pixels, and how far the screen is from them.
#pragma once
#include <windows.h>

#include <vector>

#include "support/ui_helpers.h"

namespace testsupport {

// The renderer's window inside the main window, or null.
HWND VideoWindow(HWND main);
// Resizes the main window so that the area below the toolbar is `width` x `height`.
void SizeVideoArea(HWND main, int width, int height);
// The camera's 640 x 480 picture as the screen shows it (0x00RRGGBB), top row first.
std::vector<unsigned> CameraPicture();
// Mean difference per colour channel between the screen and the 640 x 480 picture stretched
// over it (255 for an empty screen).
double MeanDifference(const ScreenPixels& screen, const std::vector<unsigned>& picture);
// The video area once the renderer has drawn the camera's picture into it (the last capture
// when it does not within a few seconds).
ScreenPixels PictureOnScreen(HWND video, const std::vector<unsigned>& picture, double tolerance);
// The pixels of a snapshot of the 640 x 480 YUY2 pattern as a BMP holds them, bottom row first.
std::vector<uint8_t> PatternSnapshotPixels();

}  // namespace testsupport
