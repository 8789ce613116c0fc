// Helpers for tests that drive real windows: pumping messages, watching for a window that a
// modal loop shows, reading screen pixels, and saving screenshots into the build tree.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Dispatches every message waiting for this thread, repeatedly until none arrives for
// `quietMs` (bounded by `maxMs`).
void PumpMessages(DWORD quietMs = 50, DWORD maxMs = 2000);

// Finds a visible top-level window of this process with the given caption (any class when
// `className` is null), waiting up to `timeoutMs`.
HWND WaitForWindow(const wchar_t* caption, const wchar_t* className = nullptr,
                   DWORD timeoutMs = 10000);

// Runs `onWindow` on a helper thread as soon as a window with `caption` appears, while the
// calling thread goes on (typically into a modal loop). Join() waits for the helper.
class WindowWatcher {
public:
    WindowWatcher(std::wstring caption, std::function<void(HWND)> onWindow,
                  const wchar_t* className = nullptr);
    ~WindowWatcher();
    WindowWatcher(const WindowWatcher&) = delete;
    WindowWatcher& operator=(const WindowWatcher&) = delete;
    // True when the window was found and `onWindow` ran.
    bool Join();

private:
    static DWORD WINAPI Run(void* self);
    std::wstring m_caption;
    std::wstring m_className;
    std::function<void(HWND)> m_onWindow;
    HANDLE m_thread = nullptr;
    bool m_found = false;
};

// 0x00RRGGBB pixels of a screen rectangle, row by row from the top.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels;
    unsigned At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenPixels CaptureScreen(const RECT& screenRect);
// The client area of `hwnd` as it is on the screen.
ScreenPixels CaptureClient(HWND hwnd);
// The whole window, frame included.
ScreenPixels CaptureWindow(HWND hwnd);
// The X server shows what Wine drew a little later: captures the client area until `settled`
// holds for it (at most `timeoutMs`), pumping messages meanwhile; the last capture.
ScreenPixels CaptureClientWhen(HWND hwnd, const std::function<bool(const ScreenPixels&)>& settled,
                               DWORD timeoutMs = 5000);
// Writes a 32-bit BMP into <build>/screenshots/<name>.bmp; the path written.
std::wstring SaveScreenshot(const ScreenPixels& image, const std::wstring& name);

std::wstring WindowText(HWND hwnd);

// While `action` runs on this thread, another thread asks `window` for its title every 50 ms:
// the titles seen (each change once), and the longest the window took to answer.
struct Watched {
    std::vector<std::wstring> titles;
    unsigned long longestAnswer = 0;
};
Watched WatchWindowDuring(HWND window, const std::function<void()>& action);
std::wstring ClassName(HWND hwnd);

}  // namespace testsupport
