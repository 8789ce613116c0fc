// Motion-JPEG under Wine: the decoder's time per 1920x1080 frame (median of 200, a frame like a
// camera's: gradients with fine noise, JPEG quality 0.85, into YUY2), then a
// minute (or the seconds given) of a 1080p Motion-JPEG camera at 30 frames a second previewed
// as Webcam does, and how many of the camera's frames reached the screen.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_dlg.h"
#include "capture/capture_graph.h"
#include "capture/capture_state.h"
#include "decoder/jpeg_frame_decoder.h"
#include "framework/modal_seam.h"
#include "message_pump.h"
#include "recorder/jpeg_encoder.h"
#include "resources/resource.h"
#include "virtual_devices.h"

namespace {

const CLSID kCamera = {0x5c7d3b2e, 0x1236, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x80}};
const CLSID kMicrophone = {0x5c7d3b2e, 0x1236, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x81}};
constexpr int kWidth = 1920, kHeight = 1080;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

std::vector<uint8_t> CameraLikeJpeg() {
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525 + 1013904223;
            int grain = static_cast<int>(noise >> 28) - 8;
            uint8_t* p = &pixels[(size_t(y) * kWidth + x) * 4];
            p[0] = static_cast<uint8_t>(std::clamp(x * 255 / kWidth + grain, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(y * 255 / kHeight + grain, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp((x + y) * 255 / (kWidth + kHeight) + grain, 0, 255));
        }
    std::vector<uint8_t> jpeg(pixels.size());
    size_t written = 0;
    WicJpegEncoder encoder;
    if (FAILED(encoder.EncodePixels(pixels.data(), kWidth, kHeight, jpeg.data(), jpeg.size(), &written))) return {};
    jpeg.resize(written);
    return jpeg;
}

void DecodeTime() {
    std::vector<uint8_t> jpeg = CameraLikeJpeg();
    size_t stride = size_t(kWidth) * 2;
    std::vector<uint8_t> out(stride * kHeight);
    JpegFrameDecoder decoder;
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        HRESULT hr = decoder.Decode(jpeg.data(), jpeg.size(), kWidth, kHeight, stride, out.data());
        QueryPerformanceCounter(&end);
        if (FAILED(hr)) {
            std::printf("decoding failed: %08lx\n", static_cast<unsigned long>(hr));
            return;
        }
        times.push_back(Milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    std::printf("1920x1080 Motion-JPEG frame of %zu KB: decoded in %.2f ms (median of 200; fastest %.2f, "
                "slowest %.2f); the frame period at 30 frames a second is 33.3 ms\n",
                jpeg.size() / 1024, times[100], times.front(), times.back());
}

// The frames that reach the grabber, decoded, on their way to the screen.
void PreviewLoss(int seconds) {
    CZevuvArividDlg window;
    window.Create(IDD_ZEVUVARIVID_DIALOG);
    ShowWindow(window.m_hWnd, SW_SHOW);
    SendMessageW(window.m_hWnd, WM_COMMAND, ID_PREVIEW, 0);
    if (g_captureState != Previewing) {
        std::printf("the 1080p preview did not start\n");
    } else {
        Pump(2000);  // settled
        int before = static_cast<int>(FramesSinceRun());
        Pump(static_cast<DWORD>(seconds) * 1000);
        int sent = seconds * 30, shown = static_cast<int>(FramesSinceRun()) - before;
        std::printf("1080p Motion-JPEG preview for %d s: %d of the camera's %d frames decoded and shown, %.2f %% lost\n",
                    seconds, shown, sent, 100.0 * std::max(0, sent - shown) / sent);
    }
    window.CloseSequence();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int seconds = argc > 1 ? _wtoi(argv[1]) : 60;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxModalSeam().messageBox = [](HWND, LPCWSTR text, LPCWSTR, UINT) {
        std::fwprintf(stderr, L"message: %ls\n", text);
        return IDOK;
    };
    DecodeTime();
    VirtualCameraDescription camera{L"Bench MJPG camera", L"MJPG 1920 1080 333333", FALSE, 0, 0};
    if (FAILED(RegisterVirtualCamera(&kCamera, &camera)) ||
        FAILED(RegisterVirtualMicrophone(&kMicrophone, L"Bench microphone", L"Microphone"))) {
        std::printf("the virtual devices are not there (run through scripts/bench.sh)\n");
        return 1;
    }
    PreviewLoss(seconds);
    UnregisterVirtualDevice(&kCamera);
    UnregisterVirtualDevice(&kMicrophone);
    return 0;
}
