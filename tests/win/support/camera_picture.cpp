// The camera's picture on screen and in snapshots.
#include "camera_picture.h"

#include <cstdlib>
#include <cstring>

#include "snapshot/frame_conversion.h"
#include "test_pattern.h"

namespace testsupport {

HWND VideoWindow(HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == L"ActiveMovie Window") return child;
    return nullptr;
}

void SizeVideoArea(HWND main, int width, int height) {
    RECT window, client, toolbar;
    GetWindowRect(main, &window);
    GetClientRect(main, &client);
    GetWindowRect(GetDlgItem(main, 0xE800), &toolbar);
    int top = toolbar.bottom - toolbar.top + 3;
    SetWindowPos(main, HWND_TOP, 0, 0, window.right - window.left - client.right + width,
                 window.bottom - window.top - client.bottom + top + height, SWP_NOMOVE);
}

std::vector<unsigned> CameraPicture() {
    std::vector<uint8_t> frame(PatternFrameBytes(PixelLayout::Yuy2, 640, 480));
    FillPatternFrame(PixelLayout::Yuy2, 640, 480, frame.data(), frame.size());
    std::vector<unsigned> picture(640 * 480);
    ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480,
                        reinterpret_cast<uint8_t*>(picture.data()), picture.size() * 4);
    return picture;
}

double MeanDifference(const ScreenPixels& screen, const std::vector<unsigned>& picture) {
    if (screen.width <= 0 || screen.height <= 0) return 255;
    double sum = 0;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            unsigned a = screen.At(x, y);
            unsigned b = picture[static_cast<size_t>(y * 480 / screen.height) * 640 + x * 640 / screen.width];
            for (int shift : {0, 8, 16}) sum += std::abs(int((a >> shift) & 255) - int((b >> shift) & 255));
        }
    return sum / (3.0 * screen.width * screen.height);
}

ScreenPixels PictureOnScreen(HWND video, const std::vector<unsigned>& picture, double tolerance) {
    return CaptureClientWhen(video, [&](const ScreenPixels& s) { return MeanDifference(s, picture) <= tolerance; });
}

std::vector<uint8_t> PatternSnapshotPixels() {
    std::vector<unsigned> top = CameraPicture();
    std::vector<uint8_t> bottomUp(top.size() * 4);
    for (int row = 0; row < 480; ++row)
        std::memcpy(bottomUp.data() + size_t(479 - row) * 2560, top.data() + size_t(row) * 640, 2560);
    return bottomUp;
}

}  // namespace testsupport
