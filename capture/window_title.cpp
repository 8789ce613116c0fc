// The main window's title.
#include "window_title.h"

#include <string>

#include "capture/capture_state.h"
#include "capture/picture_timers.h"
#include "capture/recording_status.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"

bool g_recordingStarting = false;

namespace {

std::wstring g_note;

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
    if (g_recordingStarting)
        title += L" - " + Text(IDS_TITLE_STARTING);
    else if (g_captureState == Recording)
        title += L" - " + RecordingStatusText(g_recordingWithoutSound);
    else if (!g_note.empty())
        title += L" - " + g_note;
    title += PictureTimersTitle();
    wchar_t current[256] = L"";
    GetWindowTextW(mainWnd, current, 256);
    if (title != current) SetWindowTextW(mainWnd, title.c_str());
}

void SetTitleNote(const wchar_t* note) { g_note = note ? note : L""; }

void ClearTitleNote() { g_note.clear(); }
