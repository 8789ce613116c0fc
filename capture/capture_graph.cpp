// Graph construction.
#include "capture_graph.h"

HRESULT BuildCaptureGraph(HWND) { return E_NOTIMPL; }
