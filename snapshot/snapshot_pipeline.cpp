// The snapshot pipeline.
#include "snapshot_pipeline.h"

#include <cstdlib>

#include "snapshot_request.h"

std::atomic<int> g_snapshotRequested{0};
HWND g_hMainWnd = nullptr;

LRESULT OnSnapshotFrame(WPARAM wParam, LPARAM) {
    std::free(reinterpret_cast<void*>(wParam));
    return 0;
}
