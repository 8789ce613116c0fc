// Construction of the preview and record graphs.
#pragma once
#include <windows.h>

// Builds and runs the graph of the mode in g_recordMode; the capture session must be empty.
HRESULT BuildCaptureGraph(HWND mainWnd);
