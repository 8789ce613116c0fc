// Webcam.exe run as a user runs it: one instance at a time, closing ends it, and a screenshot
// of its window for anyone to look at.
#include <windows.h>
#include <gtest/gtest.h>

#include "support/ui_helpers.h"
#include "support/webcam_process.h"

using namespace testsupport;

namespace {

TEST(WebcamProgram, SecondStartExitsSilentlyAndAStartAfterTheFirstEndedSucceeds) {
    {
        WebcamProcess first;
        ASSERT_TRUE(first.started());
        HWND window = first.WaitForMainWindow();
        ASSERT_NE(window, nullptr);

        WebcamProcess second;
        EXPECT_EQ(second.WaitForMainWindow(), nullptr);  // returns as soon as the process ends
        DWORD exitCode = 1;
        ASSERT_TRUE(second.WaitForExit(20000, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_TRUE(IsWindowVisible(window));  // the running one is untouched

        PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(first.WaitForExit(20000, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_FALSE(IsWindow(window));
    }
    WebcamProcess again;
    HWND window = again.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(again.WaitForExit(20000, &exitCode));
}

TEST(WebcamProgram, EscEndsTheProgram) {
    WebcamProcess program;
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(IsWindow(window));
}

TEST(WebcamProgram, OpensWithToolbarAndBlackVideoArea) {
    WebcamProcess program;
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    RECT client;
    GetClientRect(window, &client);
    // Black below the toolbar, at the bottom of the window, once the screen has caught up.
    ScreenPixels shown = CaptureClientWhen(window, [&](const ScreenPixels& image) {
        return image.height > 100 && image.At(image.width / 2, image.height - 5) == 0 &&
               image.At(5, 5) != 0;
    });
    SaveScreenshot(CaptureWindow(window), L"webcam-started");
    ASSERT_GT(shown.height, 100);
    EXPECT_EQ(shown.At(shown.width / 2, shown.height - 5), 0u);
    EXPECT_NE(shown.At(5, 5), 0u);  // the toolbar
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.WaitForExit(20000, &exitCode));
}

}  // namespace
