// The main window's title.
#include "window_title.h"

#include <string>

#include "capture/capture_state.h"

namespace {

// The program's name, as the window's template gives it (everything before a status).
const std::wstring& BaseTitle(HWND mainWnd) {
    static std::wstring base;
    if (base.empty()) {
        wchar_t text[256] = L"";
        GetWindowTextW(mainWnd, text, 256);
        base = text;
        base = base.substr(0, base.find(L" - "));
    }
    return base;
}

}  // namespace

void ShowCaptureTitle(HWND mainWnd) {
    std::wstring title = BaseTitle(mainWnd);
    if (g_captureState == Recording && g_recordingWithoutSound) title += L" - recording without sound";
    wchar_t current[256] = L"";
    GetWindowTextW(mainWnd, current, 256);
    if (title != current) SetWindowTextW(mainWnd, title.c_str());
}
