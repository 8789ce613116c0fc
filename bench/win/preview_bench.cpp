// The preview's processor time per frame: the virtual camera (640x480 YUY2, 30 frames a second,
// or the one format a second argument gives, e.g. "MJPG 1920 1080 333333") previewed in a
// 640 x 420 video area for ten seconds (or the seconds given) through each renderer branch (or
// the one a third argument names: gdi, vmr9), the program's
// processor time and, when WEBCAM_XSERVER_PID names the X server, the server's, divided by the
// camera's frames. Also the RGB converter's conversion alone. Runs under Wine with a display, in
// a prefix with the virtual devices registered (scripts/bench.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "capture/capture_graph.h"
#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/preview_renderer.h"
#include "framework/modal_seam.h"
#include "message_pump.h"
#include "resources/resource.h"
#include "snapshot/frame_conversion.h"
#include "virtual_devices.h"

namespace {

const CLSID kCamera = {0x5c7d3b2e, 0x1235, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x70}};
const CLSID kMicrophone = {0x5c7d3b2e, 0x1235, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x71}};

// This process's user and kernel time, in milliseconds.
double ProcessMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

// The X server's processor time in milliseconds (from Linux's /proc), or -1.
double XServerMs() {
    const char* pid = std::getenv("WEBCAM_XSERVER_PID");
    if (!pid) return -1;
    std::string path = std::string("Z:\\proc\\") + pid + "\\stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return -1;
    char text[1024] = {};
    size_t length = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    text[length] = 0;
    // Fields 14 and 15, user and system time in clock ticks (100 a second), after the name.
    const char* at = std::strrchr(text, ')');
    long long user = 0, system = 0;
    if (!at || std::sscanf(at + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &user, &system) != 2)
        return -1;
    return (user + system) * 10.0;
}

void PreviewThrough(const wchar_t* renderer, int seconds) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\RIROVIR\\ZevuvArivid", kPreviewRendererValue, REG_SZ,
                    renderer, static_cast<DWORD>((wcslen(renderer) + 1) * sizeof(wchar_t)));
    CZevuvArividDlg window;
    window.Create(IDD_ZEVUVARIVID_DIALOG);
    ShowWindow(window.m_hWnd, SW_SHOW);
    SetWindowPos(window.m_hWnd, HWND_TOP, 0, 0, 700, 600, 0);
    RECT outer, client;
    GetWindowRect(window.m_hWnd, &outer);
    GetClientRect(window.m_hWnd, &client);
    SetWindowPos(window.m_hWnd, HWND_TOP, 0, 0, outer.right - outer.left + 640 - client.right,
                 outer.bottom - outer.top + 420 + g_videoTop - client.bottom, 0);
    SendMessageW(window.m_hWnd, WM_COMMAND, ID_PREVIEW, 0);
    if (g_captureState != Previewing) {
        std::printf("%ls: the preview did not start\n", renderer);
    } else {
        Pump(2000);  // settled
        double process = ProcessMs(), server = XServerMs();
        const unsigned before = FramesSinceRun();
        Pump(static_cast<DWORD>(seconds) * 1000);
        const double frames = std::max(1u, FramesSinceRun() - before);  // those that came
        std::printf("%-5ls preview: %.0f frames, %.2f ms of the program's processor time per frame", renderer,
                    frames, (ProcessMs() - process) / frames);
        if (server >= 0) std::printf(", %.2f ms of the X server's", (XServerMs() - server) / frames);
        std::printf(" (frame period %.1f ms)\n", FrameTimeOfRun() / 1e4);
    }
    window.CloseSequence();
}

void ConversionAlone() {
    std::vector<uint8_t> frame(640 * 480 * 2), out(640 * 480 * 4);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7 + i / 1280);
    const int rounds = 1000;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < rounds; ++i)
        ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480, out.data(), out.size());
    QueryPerformanceCounter(&end);
    std::printf("the converter's conversion alone: %.3f ms per 640x480 YUY2 frame\n",
                1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart / rounds);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int seconds = argc > 1 ? _wtoi(argv[1]) : 10;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxModalSeam().messageBox = [](HWND, LPCWSTR text, LPCWSTR, UINT) {
        std::fwprintf(stderr, L"message: %ls\n", text);
        return IDOK;
    };
    const wchar_t* format = argc > 2 ? argv[2] : L"YUY2 640 480 333333";
    std::printf("camera: %ls\n", format);
    VirtualCameraDescription camera{L"Bench camera", format, FALSE, 0, 0};
    if (FAILED(RegisterVirtualCamera(&kCamera, &camera)) ||
        FAILED(RegisterVirtualMicrophone(&kMicrophone, L"Bench microphone", L"Microphone"))) {
        std::printf("the virtual devices are not there (run through scripts/bench.sh)\n");
        return 1;
    }
    ConversionAlone();
    for (const wchar_t* renderer : {L"gdi", L"vmr9"})
        if (argc <= 3 || wcscmp(argv[3], renderer) == 0) PreviewThrough(renderer, seconds);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\RIROVIR\\ZevuvArivid", kPreviewRendererValue);
    UnregisterVirtualDevice(&kCamera);
    UnregisterVirtualDevice(&kMicrophone);
    return 0;
}
