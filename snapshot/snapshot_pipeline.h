// From a grabbed frame to a BMP or JPEG file.
#pragma once
#include <windows.h>

// Handler of WM_SNAPSHOT on the user-interface thread; frees the frame block.
LRESULT OnSnapshotFrame(WPARAM wParam, LPARAM lParam);
