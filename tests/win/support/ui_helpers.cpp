// Window and screen helpers for the Windows tests.
#include "ui_helpers.h"

#include <algorithm>
#include <atomic>

#include "scratch_directory.h"

namespace testsupport {

void PumpMessages(DWORD quietMs, DWORD maxMs) {
    DWORD start = GetTickCount();
    DWORD lastMessage = start;
    while (GetTickCount() - start < maxMs) {
        MSG msg;
        bool any = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (any) lastMessage = GetTickCount();
        if (GetTickCount() - lastMessage >= quietMs) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

struct Search {
    const wchar_t* caption;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    if (WindowText(hwnd) != search->caption) return TRUE;
    if (search->className && ClassName(hwnd) != search->className) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND WaitForWindow(const wchar_t* caption, const wchar_t* className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search search{caption, className, nullptr};
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(10);
    }
}

WindowWatcher::WindowWatcher(std::wstring caption, std::function<void(HWND)> onWindow,
                             const wchar_t* className)
    : m_caption(std::move(caption)),
      m_className(className ? className : L""),
      m_onWindow(std::move(onWindow)) {
    m_thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
}

WindowWatcher::~WindowWatcher() { Join(); }

bool WindowWatcher::Join() {
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    return m_found;
}

DWORD WINAPI WindowWatcher::Run(void* param) {
    auto* self = static_cast<WindowWatcher*>(param);
    HWND hwnd = WaitForWindow(self->m_caption.c_str(),
                              self->m_className.empty() ? nullptr : self->m_className.c_str());
    if (hwnd) {
        self->m_found = true;
        self->m_onWindow(hwnd);
    }
    return 0;
}

ScreenPixels CaptureScreen(const RECT& r) {
    ScreenPixels image;
    image.width = r.right - r.left;
    image.height = r.bottom - r.top;
    if (image.width <= 0 || image.height <= 0) return image;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    auto* p = static_cast<const unsigned*>(bits);
    image.pixels.assign(p, p + static_cast<size_t>(image.width) * image.height);
    for (unsigned& px : image.pixels) px &= 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

ScreenPixels CaptureClient(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return CaptureScreen(r);
}

ScreenPixels CaptureWindow(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return CaptureScreen(r);
}

ScreenPixels CaptureClientWhen(HWND hwnd, const std::function<bool(const ScreenPixels&)>& settled,
                               DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages(20, 200);
        ScreenPixels image = CaptureClient(hwnd);
        if (settled(image) || GetTickCount() - start > timeoutMs) return image;
    }
}

std::wstring SaveScreenshot(const ScreenPixels& image, const std::wstring& name) {
    std::wstring dir = ExecutableDirectory() + L"..\\screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring path = dir + L"\\" + name + L".bmp";
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    DWORD pixelBytes = static_cast<DWORD>(image.pixels.size() * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof(info);
    info.biWidth = image.width;
    info.biHeight = -image.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {};
    DWORD written;
    WriteFile(out, &file, sizeof(file), &written, nullptr);
    WriteFile(out, &info, sizeof(info), &written, nullptr);
    WriteFile(out, image.pixels.data(), pixelBytes, &written, nullptr);
    CloseHandle(out);
    return path;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = L"";
    GetWindowTextW(hwnd, text, 512);
    return text;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = L"";
    GetClassNameW(hwnd, name, 256);
    return name;
}

Watched WatchWindowDuring(HWND window, const std::function<void()>& action) {
    struct Probe {
        HWND window = nullptr;
        std::atomic<bool> stop{false};
        Watched seen;
    } probe;
    probe.window = window;
    HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
        auto* probe = static_cast<Probe*>(p);
        while (!probe->stop) {
            wchar_t title[256] = L"";
            DWORD start = GetTickCount();
            DWORD_PTR copied = 0;
            SendMessageTimeoutW(probe->window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(title), SMTO_NORMAL, 5000, &copied);
            probe->seen.longestAnswer = std::max<unsigned long>(probe->seen.longestAnswer, GetTickCount() - start);
            if (probe->seen.titles.empty() || probe->seen.titles.back() != title) probe->seen.titles.push_back(title);
            Sleep(50);
        }
        return 0;
    }, &probe, 0, nullptr);
    action();
    probe.stop = true;
    // The window answers the probe's last question while it ends.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    CloseHandle(thread);
    return probe.seen;
}

}  // namespace testsupport
