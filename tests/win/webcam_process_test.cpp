// Webcam.exe run as a user runs it: one instance at a time, closing ends it, a screenshot of its
// window for anyone to look at, and the user's language.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/program_commands.h"
#include "resources/resource.h"
#include "support/dialog_template.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
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

// The language follows the user's display language, which under Wine follows the locale of the
// Linux process Wine was started as (LC_ALL, LANG): the options dialog comes with its caption in
// that language, in the same language of another country where the program lacks that
// country's, else in English; a stored uiLanguage comes first. Wine carries no locale from a
// Windows process to the next: the program is started through Linux, as a person's launcher does.
TEST(WebcamProgram, SpeaksTheUsersLanguage) {
    const struct {
        const char* locale;
        const wchar_t* stored;
        LANGID language;
    } cases[] = {
        {"pt_PT.UTF-8", L"", 0x0416}, {"de_AT.UTF-8", L"", 0x0407}, {"es_MX.UTF-8", L"", 0x0C0A},
        {"nl_NL.UTF-8", L"", 0}, {"de_DE.UTF-8", L"fr-FR", 0x040C},
    };
    // (Locales of the same Windows code page as the test's only: Wine started in one of another,
    // Japanese say, rewrites the prefix's font substitutes for it, which later tests would see.)
    ResourceModule resources(ExecutableDirectory() + L"Webcam.exe");
    const std::string program = UnixPath(ExecutableDirectory() + L"Webcam.exe");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        SetString(HKEY_CURRENT_USER, kSettingsKey, L"uiLanguage", c.stored);
        RunUnixShell(std::string("LC_ALL=") + c.locale + " LANG=" + c.locale + " /usr/lib/wine/wine64 '" + program +
                     "' </dev/null >/dev/null 2>&1 &");
        HWND window = nullptr;
        for (DWORD start = GetTickCount(); !window && GetTickCount() - start < 20000; Sleep(50)) {
            window = FindMainWindow();
            if (window && !IsWindowVisible(window)) window = nullptr;
        }
        ASSERT_NE(window, nullptr);
        PostMessageW(window, WM_COMMAND, ID_OPTION, 0);
        auto options = LoadDialogTemplate(resources.get(), IDD_OPTION, c.language);
        ASSERT_TRUE(options);
        HWND dialog = nullptr;
        for (DWORD start = GetTickCount(); !dialog && GetTickCount() - start < 10000; Sleep(50))
            dialog = FindWindowW(L"#32770", options->caption.c_str());  // a dialog's caption is fixed
        EXPECT_NE(dialog, nullptr);
        PostMessageW(window, WM_CLOSE, 0, 0);
        for (DWORD start = GetTickCount(); IsWindow(window) && GetTickCount() - start < 20000;) Sleep(50);
        EXPECT_FALSE(IsWindow(window));
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"uiLanguage");
}

}  // namespace
