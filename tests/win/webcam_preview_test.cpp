// Webcam.exe with the virtual camera and microphone, driven from its toolbar as a user would:
// Preview shows the camera's picture under the toolbar (pixel for pixel at the camera's size,
// stretched after a resize), Capture saves exactly one picture, Stop ends it, closing while
// previewing ends the program cleanly, and Record shows the picture while it leaves one
// recording of the camera's 640 x 480 frames and the microphone's sound.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "snapshot/frame_conversion.h"
#include "support/camera_picture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/webcam_process.h"
#include "support/writer_report.h"
#include "test_pattern.h"

using namespace testsupport;

namespace {

std::vector<std::wstring> Pictures(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool Enabled(HWND main, UINT id) {
    HWND toolbar = GetDlgItem(main, 0xE800);
    return SendMessageW(toolbar, TB_GETSTATE, id, 0) & TBSTATE_ENABLED;
}

TEST(WebcamPreview, PreviewCaptureStopAndCloseFromTheToolbar) {
    ScratchDirectory pictures;
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", pictures.path());
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat", 1);
    WebcamProcess program;
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    SendMessageW(window, WM_COMMAND, ID_PREVIEW, 0);
    HWND video = VideoWindow(window);
    ASSERT_NE(video, nullptr);
    EXPECT_TRUE(IsWindowVisible(video));
    // At the camera's size the screen shows the camera's picture pixel for pixel.
    const std::vector<unsigned> picture = CameraPicture();
    SizeVideoArea(window, 640, 480);
    ScreenPixels shown = PictureOnScreen(video, picture, 0);
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.height, 480);
    int wrong = 0;
    for (int i = 0; i < 640 * 480; ++i) wrong += shown.pixels[i] != picture[i];
    EXPECT_EQ(wrong, 0);
    // Resized, the picture is stretched over the whole area below the toolbar strip.
    SetWindowPos(window, HWND_TOP, 0, 0, 700, 560, 0);
    EXPECT_LE(MeanDifference(PictureOnScreen(video, picture, 3), picture), 3);
    RECT client, videoRect, toolbar;
    GetClientRect(window, &client);
    GetWindowRect(video, &videoRect);
    GetWindowRect(GetDlgItem(window, 0xE800), &toolbar);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&videoRect), 2);
    EXPECT_EQ(videoRect.left, 0);
    EXPECT_EQ(videoRect.top, toolbar.bottom - toolbar.top + 3);
    EXPECT_EQ(videoRect.right, client.right);
    EXPECT_EQ(videoRect.bottom, client.bottom);
    SaveScreenshot(CaptureWindow(window), L"webcam-preview");
    // Minimised and restored, the picture comes back.
    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window));
    SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_LE(MeanDifference(PictureOnScreen(video, picture, 3), picture), 3);

    // Capture: exactly one new picture, the camera's frame converted pixel for pixel.
    SendMessageW(window, WM_COMMAND, ID_CAPTURE, 0);
    DWORD start = GetTickCount();
    while (Pictures(pictures.path()).empty() && GetTickCount() - start < 10000) Sleep(50);
    Sleep(300);  // a second file would have had time to appear
    auto files = Pictures(pictures.path());
    ASSERT_EQ(files.size(), 1u);
    std::vector<uint8_t> frame(PatternFrameBytes(PixelLayout::Yuy2, 640, 480));
    FillPatternFrame(PixelLayout::Yuy2, 640, 480, frame.data(), frame.size());
    std::vector<uint8_t> expected(640 * 480 * 4);
    ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480, expected.data(),
                        expected.size());
    std::wstring path = pictures.Child(files[0]);
    ASSERT_TRUE(WaitUntilClosed(path));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<uint8_t> bmp(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bmp.data(), static_cast<DWORD>(bmp.size()), &read, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bmp.size(), 54u + expected.size());
    for (int row = 0; row < 480; ++row)
        ASSERT_EQ(memcmp(bmp.data() + 54 + row * 2560, expected.data() + (479 - row) * 2560, 2560), 0)
            << "row " << row;

    // Stop: the video goes, Preview and Record are there to press.
    SendMessageW(window, WM_COMMAND, ID_STOP, 0);
    EXPECT_EQ(VideoWindow(window), nullptr);
    EXPECT_TRUE(Enabled(window, ID_PREVIEW));
    EXPECT_TRUE(Enabled(window, ID_RECORD));

    // Closing while previewing ends the process cleanly.
    SendMessageW(window, WM_COMMAND, ID_PREVIEW, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
}

TEST(WebcamRecording, RecordForAFewSecondsThenStop) {
    ScratchDirectory videos;
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"recordPath", videos.path());
    WebcamProcess program;
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    SendMessageW(window, WM_COMMAND, ID_RECORD, 0);
    EXPECT_FALSE(Enabled(window, ID_PREVIEW));
    EXPECT_FALSE(Enabled(window, ID_RECORD));
    // The live picture goes on while recording.
    ASSERT_NE(VideoWindow(window), nullptr);
    ScreenPixels shown = PictureOnScreen(VideoWindow(window), CameraPicture(), 3);
    EXPECT_LE(MeanDifference(shown, CameraPicture()), 3);
    SaveScreenshot(CaptureWindow(window), L"webcam-recording");
    Sleep(3000);
    SendMessageW(window, WM_COMMAND, ID_STOP, 0);
    EXPECT_TRUE(Enabled(window, ID_RECORD));
    EXPECT_NE(VideoWindow(window), nullptr);  // the preview goes on

    auto files = FilesIn(videos.path());
    ASSERT_EQ(files.size(), 1u);
    WriterReport report = ReadWriterReport(videos.Child(files[0]));
    EXPECT_EQ(report["closed"], "1");
    EXPECT_EQ(report["video.type"], "YUY2 640x480");
    EXPECT_EQ(report["profile.video.bitmap"], "640x480");
    // 30 frames a second for about three seconds, and sound alongside.
    EXPECT_GT(ReportNumber(report, "video.frames"), 30);
    EXPECT_GT(ReportNumber(report, "audio.bytes"), 0);

    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
}

TEST(WebcamClosing, AStuckCameraStillLetsTheProgramEndWithinFiveSeconds) {
    const wchar_t kCameraKey[] = L"Software\\WebcamTest\\Devices\\{B1F0C8A2-5D7E-4C39-9A61-0C2E7F3D8A11}";
    SetDword(HKEY_CURRENT_USER, kCameraKey, L"StuckAfter", 10);
    WebcamProcess program;
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    SendMessageW(window, WM_COMMAND, ID_PREVIEW, 0);
    for (DWORD start = GetTickCount(); DwordValue(HKEY_CURRENT_USER, kCameraKey, L"Stuck", 0) != 1 && GetTickCount() - start < 5000;)
        Sleep(50);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kCameraKey, L"Stuck"), 1u);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(program.WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kCameraKey, L"StuckAfter");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kCameraKey, L"Stuck");
}

}  // namespace
