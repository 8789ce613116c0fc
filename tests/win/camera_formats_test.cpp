// Cameras of every format the program takes, with Wine's real graph and the virtual devices:
// each is listed with its sizes, previews, and gives snapshots of its picture; a camera offering
// several formats runs the fastest for each size; NV12 and Motion-JPEG cameras record, the
// latter with its own JPEG frames; damaged JPEG frames do not stop the preview.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "decoder/jpeg_frame_decoder.h"
#include "devices/device_catalogue.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/frame_conversion.h"
#include "snapshot/snapshot_request.h"
#include "support/camera_picture.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
#include "support/writer_report.h"
#include "test_pattern.h"
#include "tests/core/support/scaled_picture.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";

// The pattern's pixels as a snapshot has them: blue, green, red, 0, bottom row first.
std::vector<uint8_t> PatternBmpPixels(int width, int height) {
    std::vector<uint8_t> rgb(PatternFrameBytes(PixelLayout::Rgb32, width, height));
    FillPatternFrame(PixelLayout::Rgb32, width, height, rgb.data(), rgb.size());
    return rgb;
}

// The pixels of the converted frame, bottom row first.
std::vector<uint8_t> ConvertedBmpPixels(PixelLayout pattern, FrameLayout layout, int width, int height) {
    std::vector<uint8_t> frame(PatternFrameBytes(pattern, width, height)), top(size_t(width) * height * 4);
    FillPatternFrame(pattern, width, height, frame.data(), frame.size());
    EXPECT_TRUE(ConvertFrameToRgb32(layout, frame.data(), frame.size(), width, height, top.data(), top.size()));
    std::vector<uint8_t> bottomUp(top.size());
    for (int row = 0; row < height; ++row)
        std::copy_n(top.begin() + size_t(row) * width * 4, width * 4, bottomUp.begin() + size_t(height - 1 - row) * width * 4);
    return bottomUp;
}

// The largest difference of a channel between the video window and `bmp` (bottom row first, 4
// bytes a pixel, mirrored when asked) scaled exactly to the window's size, once the video area
// is `areaWidth` x `areaHeight` (and the picture placed in it).
double WorstOnScreen(HWND main, std::vector<uint8_t> bmp, int bmpWidth, int bmpHeight, int areaWidth, int areaHeight,
                     bool mirrored = false) {
    SizeVideoArea(main, areaWidth, areaHeight);
    RECT video{};
    GetClientRect(VideoWindow(main), &video);
    const int width = video.right, height = video.bottom;
    if (mirrored)
        for (int row = 0; row < bmpHeight; ++row) {
            auto* pixels = reinterpret_cast<uint32_t*>(bmp.data() + size_t(row) * bmpWidth * 4);
            std::reverse(pixels, pixels + bmpWidth);
        }
    const std::vector<double> expected = testsupport::ScaledPicture(
        bmp.data() + size_t(bmpHeight - 1) * bmpWidth * 4, bmpWidth, bmpHeight, -std::ptrdiff_t(bmpWidth) * 4, width, height);
    auto worst = [&](const ScreenPixels& s) {
        if (s.width != width || s.height != height) return 255.0;
        double most = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    most = std::max(most, std::abs((s.At(x, y) >> (8 * c) & 255) - expected[(size_t(y) * width + x) * 4 + c]));
        return most;
    };
    return worst(CaptureClientWhen(VideoWindow(main), [&](const ScreenPixels& s) { return worst(s) <= 6; }));
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / a.size();
}

class CameraFormatsTest : public CaptureTest {
protected:
    void OpenWithCamera(const wchar_t* formats, DWORD corruptEvery = 0) {
        Camera(1, L"Camera", formats);
        if (corruptEvery) SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"CorruptEvery", corruptEvery);
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
        wcscpy(g_settings.capturePath, m_pictures.path().c_str());
        wcscpy(g_settings.recordPath, m_records.path().c_str());
        g_settings.captureFormat = 1;  // BMP
    }
    // The pixels of the next snapshot's BMP file, bottom row first; empty when none came.
    std::vector<uint8_t> SnapshotPixels() {
        for (const auto& name : FilesIn(m_pictures.path())) DeleteFileW(m_pictures.Child(name).c_str());
        g_snapshotRequested = 1;
        DWORD start = GetTickCount();
        while (FilesIn(m_pictures.path()).empty() && GetTickCount() - start < 10000) PumpMessages(20, 100);
        auto files = FilesIn(m_pictures.path());
        if (files.size() != 1) return {};
        std::vector<uint8_t> bmp = ReadBytes(m_pictures.Child(files[0]));
        return bmp.size() > 54 ? std::vector<uint8_t>(bmp.begin() + 54, bmp.end()) : std::vector<uint8_t>{};
    }
    std::vector<std::pair<int, int>> ListedSizes() {
        std::vector<std::pair<int, int>> sizes;
        for (int i = 0; i < g_videoDevices[0].resolutionCount; ++i)
            sizes.emplace_back(g_videoDevices[0].widths[i], g_videoDevices[0].heights[i]);
        return sizes;
    }
    ScratchDirectory m_pictures, m_records;
};

struct FormatCase {
    const wchar_t* formats;
    std::vector<uint8_t> (*expected)();
    double tolerance;  // mean difference per byte; 0: bit for bit
};

class EachFormat : public CameraFormatsTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EachFormat, IsListedPreviewsAndGivesSnapshotsOfItsPicture) {
    OpenWithCamera(GetParam().formats);
    ASSERT_EQ(g_videoDeviceCount, 1);
    EXPECT_EQ(ListedSizes(), (std::vector<std::pair<int, int>>{{320, 240}, {640, 480}}));
    Command(ID_PREVIEW);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_EQ(g_captureState, Previewing);
    std::vector<uint8_t> snapshot = SnapshotPixels();
    std::vector<uint8_t> expected = GetParam().expected();
    ASSERT_EQ(snapshot.size(), expected.size());
    if (GetParam().tolerance == 0)
        EXPECT_TRUE(snapshot == expected);
    else
        EXPECT_LT(MeanDifference(snapshot, expected), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EachFormat,
    ::testing::Values(
        FormatCase{L"NV12 640 480 333333;NV12 320 240 333333",
                   [] { return ConvertedBmpPixels(PixelLayout::Nv12, FrameLayout::Nv12, 640, 480); }, 0},
        FormatCase{L"RGB24 640 480 333333;RGB24 320 240 333333", [] { return PatternBmpPixels(640, 480); }, 0},
        FormatCase{L"RGB32 320 240 333333;RGB32 640 480 333333", [] { return PatternBmpPixels(640, 480); }, 0},
        FormatCase{L"MJPG 640 480 333333;MJPG 320 240 333333", [] { return PatternBmpPixels(640, 480); }, 3}),
    [](const ::testing::TestParamInfo<FormatCase>& info) {
        std::wstring f = info.param.formats;
        return std::string(f.begin(), f.begin() + f.find(L' '));
    });

TEST_F(CameraFormatsTest, AWebcamRunsMotionJpegForItsHdSizeAndYuy2ForTheSmallOne) {
    OpenWithCamera(L"YUY2 640 480 333333;YUY2 1920 1080 2000000;MJPG 640 480 333333;MJPG 1920 1080 333333");
    EXPECT_EQ(ListedSizes(), (std::vector<std::pair<int, int>>{{640, 480}, {1920, 1080}}));
    Command(ID_PREVIEW);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 640 480 333333");
    // A larger area gets the picture grown bilinearly, 1:1 on the screen, both ways or one.
    const std::vector<uint8_t> small = SnapshotPixels();
    for (auto [width, height] : {std::pair{960, 720}, std::pair{800, 400}})
        EXPECT_LE(WorstOnScreen(m_window->m_hWnd, small, 640, 480, width, height), 6) << width << " x " << height;
    SetString(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(1).c_str(), L"1920 x 1080");
    SizeVideoArea(m_window->m_hWnd, 640, 420);
    Command(ID_PREVIEW);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"MJPG 1920 1080 333333");
    ASSERT_EQ(g_captureState, Previewing);
    const std::vector<uint8_t> pattern = PatternBmpPixels(1920, 1080), decoded = SnapshotPixels();
    EXPECT_LT(MeanDifference(decoded, pattern), 3);
    EXPECT_TRUE(m_messages.empty());
    // The picture (as decoded) is scaled to the video area (shrunk by area averaging) and goes
    // to the screen 1:1: no column or row of the colour bars dropped or merged, whatever the
    // ratio; also after resizes.
    for (auto [width, height] : {std::pair{640, 420}, std::pair{1000, 700}, std::pair{480, 270}})
        EXPECT_LE(WorstOnScreen(m_window->m_hWnd, decoded, 1920, 1080, width, height), 6) << width << " x " << height;
    EXPECT_LT(MeanDifference(SnapshotPixels(), pattern), 3);  // snapshots keep the camera's size
    // A frame rate chosen for the camera: the format that runs at it, at the next build.
    SetDword(HKEY_CURRENT_USER, kSettingsKey, (TestCameraId(1) + L" frame rate").c_str(), 5);
    Command(ID_PREVIEW);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 1920 1080 2000000");
}

// Mirrored and in its proportions, in every combination, as the window is resized: the video
// window where the picture's proportions put it (the rest of the area black), the picture in it
// the camera's, mirrored when asked; snapshots never mirrored.
TEST_F(CameraFormatsTest, TheViewIsMirroredAndKeepsItsProportionsWhenAskedAndSnapshotsNever) {
    OpenWithCamera(L"YUY2 640 480 333333");
    Command(ID_PREVIEW);
    HWND main = m_window->m_hWnd;
    const std::vector<uint8_t> pattern = ConvertedBmpPixels(PixelLayout::Yuy2, FrameLayout::Yuy2, 640, 480);
    const struct {
        bool mirror, keep;
        int areaWidth, areaHeight;
        RECT video;  // in the video area
    } views[] = {{true, false, 640, 420, {0, 0, 640, 420}},
                 {true, true, 640, 300, {120, 0, 520, 300}},  // bars left and right
                 {false, true, 500, 600, {0, 112, 500, 487}},  // bars above and below
                 {false, true, 800, 600, {0, 0, 800, 600}},  // the picture's own proportions
                 {false, false, 500, 600, {0, 0, 500, 600}}};
    for (const auto& view : views) {
        SCOPED_TRACE(testing::Message() << view.mirror << view.keep << " " << view.areaWidth << " x " << view.areaHeight);
        if ((g_settings.mirrorPicture != 0) != view.mirror) Command(ID_MIRROR);
        if ((g_settings.keepProportions != 0) != view.keep) Command(ID_KEEP_PROPORTIONS);
        EXPECT_LE(WorstOnScreen(main, pattern, 640, 480, view.areaWidth, view.areaHeight, view.mirror), 6);
        RECT video;
        GetWindowRect(VideoWindow(main), &video);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&video), 2);
        OffsetRect(&video, 0, -g_videoTop);
        EXPECT_TRUE(EqualRect(&video, &view.video)) << video.left << "," << video.top << " " << video.right << "," << video.bottom;
        if (view.video.left > 0 || view.video.top > 0) {
            ScreenPixels client = CaptureClientWhen(main, [&](const ScreenPixels& s) {
                return s.At(2, s.height - 2) == 0 && s.At(s.width - 3, g_videoTop + 2) == 0;
            });
            EXPECT_EQ(client.At(2, client.height - 2), 0u);  // the bars are black
            EXPECT_EQ(client.At(client.width - 3, g_videoTop + 2), 0u);
        }
        EXPECT_EQ(SnapshotPixels(), pattern);
    }
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"keepProportions"), 0u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"mirrorPicture"), 0u);
}

TEST_F(CameraFormatsTest, DamagedJpegFramesAreDroppedAndThePreviewGoesOn) {
    OpenWithCamera(L"MJPG 640 480 333333", 2);  // every second frame damaged
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    for (int i = 0; i < 4; ++i) EXPECT_LT(MeanDifference(SnapshotPixels(), PatternBmpPixels(640, 480)), 3) << i;
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_TRUE(m_messages.empty());
}

// The pixels of the next picture copied to the clipboard, bottom row first; empty when none came.
std::vector<uint8_t> ClipboardPixels(HWND window) {
    DWORD sequence = GetClipboardSequenceNumber();
    g_pictureCopyRequested = 1;
    for (DWORD start = GetTickCount(); GetClipboardSequenceNumber() == sequence && GetTickCount() - start < 10000;)
        PumpMessages(20, 100);
    std::vector<uint8_t> pixels;
    if (!OpenClipboard(window)) return pixels;
    if (HGLOBAL handle = GetClipboardData(CF_DIB)) {
        auto* dib = static_cast<const uint8_t*>(GlobalLock(handle));
        if (dib && GlobalSize(handle) > sizeof(BITMAPINFOHEADER))
            pixels.assign(dib + sizeof(BITMAPINFOHEADER), dib + GlobalSize(handle));
        GlobalUnlock(handle);
    }
    CloseClipboard();
    return pixels;
}

// RGB24 rows are padded to whole 4-byte words: cameras of odd widths (screen-capture ones at
// 1366 x 768) give their pictures whole to snapshots, the clipboard, the screen and recordings.
TEST_F(CameraFormatsTest, Rgb24FramesOfOddWidthsArePicturedWhole) {
    struct Size {
        int width, height, zoom;  // zoom: the video area is this many times the picture's size
    };
    for (Size size : {Size{1366, 768, 0}, Size{33, 17, 10}, Size{1, 1, 128}}) {
        SCOPED_TRACE(size.width);
        const std::wstring format = L"RGB24 " + std::to_wstring(size.width) + L" " + std::to_wstring(size.height) + L" 333333";
        SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
        OpenWithCamera(format.c_str());
        SetString(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(1).c_str(),
                  std::to_wstring(size.width) + L" x " + std::to_wstring(size.height));
        Command(ID_PREVIEW);
        ASSERT_EQ(g_captureState, Previewing);
        const std::vector<uint8_t> pattern = PatternBmpPixels(size.width, size.height);
        EXPECT_TRUE(SnapshotPixels() == pattern);
        EXPECT_TRUE(ClipboardPixels(m_window->m_hWnd) == pattern);
        if (size.zoom) {  // grown: every pixel of the odd rows in its place
            EXPECT_LE(WorstOnScreen(m_window->m_hWnd, pattern, size.width, size.height, size.width * size.zoom,
                                    size.height * size.zoom),
                      3);  // seven-bit weights, bytes between the passes
        }
        Command(ID_RECORD);
        PumpMessages(1000, 1000);
        Command(ID_STOP);
        auto files = FilesIn(m_records.path());
        ASSERT_EQ(files.size(), 1u);
        std::wstring file = m_records.Child(files[0]);
        ScratchDirectory work;
        std::wstring raw = work.Child(L"frame.bgr");
        RunUnixShell("ffmpeg -v error -i '" + UnixPath(file) + "' -frames:v 1 -f rawvideo -pix_fmt bgr24 '" +
                     UnixPath(raw) + "'");
        std::vector<uint8_t> decoded = ReadBytes(raw), bottomUp;
        ASSERT_EQ(decoded.size(), size_t(size.width) * size.height * 3);
        for (int row = size.height - 1; row >= 0; --row)
            for (int x = 0; x < size.width; ++x) {
                const uint8_t* p = &decoded[(size_t(row) * size.width + x) * 3];
                bottomUp.insert(bottomUp.end(), {p[0], p[1], p[2], 0});
            }
        // Within JPEG's error, which is large on the sharp bars of a tiny picture; a sheared one
        // is far off.
        EXPECT_LT(MeanDifference(bottomUp, pattern), size.width > 100 ? 8 : 20);
        DeleteFileW(file.c_str());
        m_window->CloseSequence();
        m_window.reset();
    }
    DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
}

TEST(JpegFrameDecoder, OurDecoderAndTheSystemCodecsGiveTheSamePicture) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::vector<uint8_t> jpeg(PatternJpegFrame(640, 480, nullptr, 0));
    ASSERT_GT(jpeg.size(), 0u);
    PatternJpegFrame(640, 480, jpeg.data(), static_cast<DWORD>(jpeg.size()));
    std::vector<uint8_t> ours(640 * 480 * 2), codecs(ours.size());
    JpegFrameDecoder decoder;
    ASSERT_EQ(decoder.Decode(jpeg.data(), jpeg.size(), 640, 480, 1280, ours.data()), S_OK);
    ASSERT_EQ(decoder.DecodeThroughCodecs(jpeg.data(), jpeg.size(), 640, 480, 1280, codecs.data()), S_OK);
    EXPECT_LT(MeanDifference(ours, codecs), 1.5);
    // And both are the camera's picture.
    std::vector<uint8_t> pattern(PatternFrameBytes(PixelLayout::Yuy2, 640, 480));
    FillPatternFrame(PixelLayout::Yuy2, 640, 480, pattern.data(), pattern.size());
    EXPECT_LT(MeanDifference(ours, pattern), 2);
    EXPECT_EQ(decoder.Decode(jpeg.data(), jpeg.size() / 2, 640, 480, 1280, ours.data()), E_FAIL);  // cut short
    CoUninitialize();
}

// The bytes of the first video chunk of an AVI file's 'movi' list.
std::vector<uint8_t> FirstVideoChunk(const std::vector<uint8_t>& avi) {
    const char movi[] = "movi", tag[] = "00dc";
    auto at = std::search(std::search(avi.begin(), avi.end(), movi, movi + 4), avi.end(), tag, tag + 4);
    if (at == avi.end() || avi.end() - at < 8) return {};
    size_t size = at[4] | at[5] << 8 | at[6] << 16 | size_t(at[7]) << 24;
    if (size_t(avi.end() - at - 8) < size) return {};
    return std::vector<uint8_t>(at + 8, at + 8 + size);
}

TEST_F(CameraFormatsTest, Nv12AndMotionJpegCamerasRecordAndJpegFramesAreKeptAsTheCameraSentThem) {
    struct Case {
        const wchar_t* formats;
        bool windowsMedia;
    };
    for (const Case& c : {Case{L"NV12 640 480 333333", false}, Case{L"MJPG 640 480 333333", false},
                          Case{L"MJPG 640 480 333333", true}}) {
        SCOPED_TRACE(std::string(c.formats, c.formats + 4) + (c.windowsMedia ? " WMV" : " AVI"));
        if (c.windowsMedia)
            DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
        else
            SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
        OpenWithCamera(c.formats);
        Command(ID_RECORD);
        ASSERT_EQ(g_captureState, Recording);
        PumpMessages(2000, 2000);
        Command(ID_STOP);
        auto files = FilesIn(m_records.path());
        ASSERT_EQ(files.size(), 1u);
        std::wstring file = m_records.Child(files[0]);
        if (c.windowsMedia) {  // the writer stand-in's report: the camera's frames, decoded
            WriterReport report = ReadWriterReport(file);
            EXPECT_EQ(report["video.type"], "YUY2 640x480");
            EXPECT_GT(ReportNumber(report, "video.frames"), 40);
        } else {
            std::string frames = RunUnixShell("ffprobe -v error -count_frames -select_streams v -show_entries "
                                              "stream=nb_read_frames -of csv=p=0 '" + UnixPath(file) + "'");
            EXPECT_GT(std::atoi(frames.c_str()), 40) << frames;
            std::vector<uint8_t> chunk = FirstVideoChunk(ReadBytes(file));
            std::vector<uint8_t> sent(PatternJpegFrame(640, 480, nullptr, 0));
            PatternJpegFrame(640, 480, sent.data(), static_cast<DWORD>(sent.size()));
            // Motion-JPEG frames are the camera's own, not decoded and encoded again.
            EXPECT_EQ(chunk == sent, c.formats[0] == L'M');
            EXPECT_FALSE(chunk.empty());
        }
        DeleteFileW(file.c_str());
        m_window->CloseSequence();
        m_window.reset();
    }
    DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
}

}  // namespace
