// Webcam.exe started with a command, as a script or a shortcut starts it: carried out by the
// program already running (the second start ends with the outcome as its exit code) or by the
// program it starts; bad arguments start nothing and disturb nothing.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/webcam_process.h"

using namespace testsupport;

namespace {

constexpr DWORD kNoExit = 999;

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
        SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", m_pictures.path() + L"\\");
        SetString(HKEY_CURRENT_USER, kSettingsKey, L"recordPath", m_records.path() + L"\\");
        m_output = CreateFileW(m_pictures.Child(L"output.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &m_inherited, CREATE_ALWAYS, 0, nullptr);
    }
    void TearDown() override {
        CloseHandle(m_output);
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    }
    // Starts Webcam.exe with `arguments` (its output into a file, as a script runs it) and waits
    // for it to end: its exit code.
    DWORD Run(const std::wstring& arguments) {
        WebcamProcess program({}, {}, arguments, m_output);
        DWORD code = kNoExit;
        program.WaitForExit(60000, &code);
        return code;
    }
    size_t Pictures(const wchar_t* pattern) {
        size_t count = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(m_pictures.Child(pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do ++count;
        while (FindNextFileW(search, &found));
        FindClose(search);
        return count;
    }
    ScratchDirectory m_pictures, m_records;
    SECURITY_ATTRIBUTES m_inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE m_output = INVALID_HANDLE_VALUE;
};

TEST_F(CommandLineTest, ARunningProgramCarriesOutEachCommandAsItsButtonWould) {
    WebcamProcess running;
    HWND main = running.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    const std::wstring shot = m_pictures.Child(L"named.bmp"), missing = m_pictures.Child(L"no such folder\\x.jpg");
    const struct {
        std::wstring arguments;
        DWORD exitCode;
        const wchar_t* titleStart;  // the running program's title after it
        const wchar_t* newPicture;  // a file pattern that one more picture matches, or null
    } steps[] = {
        {L"/stop", 0, L"Webcam 1.2", nullptr},
        {L"/capture:\"" + shot + L"\"", 0, L"Webcam 1.2", L"named.bmp"},  // starts the preview first
        {L"-CAPTURE", 0, L"Webcam 1.2", L"capture*.jpg"},
        {L"/record /quiet", 0, L"Webcam 1.2 - recording", nullptr},
        {L"/preview", 1, L"Webcam 1.2 - recording", nullptr},  // disabled while recording
        {L"/record", 1, L"Webcam 1.2 - recording", nullptr},
        {L"/capture", 0, L"Webcam 1.2 - recording", L"capture*.jpg"},
        {L"/stop", 0, L"Webcam 1.2", nullptr},
        {L"/capture:\"" + missing + L"\"", 2, L"Webcam 1.2", nullptr},
        {L"/capture:shot.png", 2, L"Webcam 1.2", nullptr},
        {L"/frobnicate", 2, L"Webcam 1.2", nullptr},
        {L"/preview /stop", 2, L"Webcam 1.2", nullptr},
        {L"/" + std::wstring(30000, L'x'), 2, L"Webcam 1.2", nullptr},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments.substr(0, 80));
        const size_t before = step.newPicture ? Pictures(step.newPicture) : 0;
        EXPECT_EQ(Run(step.arguments), step.exitCode);
        if (step.newPicture) {
            EXPECT_EQ(Pictures(step.newPicture), before + 1);
        }
        EXPECT_EQ(WindowText(main).rfind(step.titleStart, 0), 0u) << WindowText(main).c_str();
        EXPECT_TRUE(IsWindowVisible(main));
    }
    std::vector<BYTE> named = ReadBytes(shot);
    ASSERT_GT(named.size(), 54u);
    EXPECT_EQ(named[0], 'B');
    EXPECT_EQ(named[1], 'M');

    EXPECT_EQ(Run(L"/close"), 0u);
    DWORD code = kNoExit;
    EXPECT_TRUE(running.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(CommandLineTest, AStartWithACommandCarriesItOutAfterStartingUp) {
    {
        WebcamProcess program({}, {}, L"/capture:\"" + m_pictures.Child(L"first.jpg") + L"\"");
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        DWORD start = GetTickCount();
        while (Pictures(L"first.jpg") == 0 && GetTickCount() - start < 20000) Sleep(50);
        EXPECT_EQ(Pictures(L"first.jpg"), 1u);
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = kNoExit;
        EXPECT_TRUE(program.WaitForExit(20000, &code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(Run(L"/close"), 0u);  // starts, then closes at once
    EXPECT_EQ(Run(L"/bogus"), 2u);  // starts nothing
}

// A person gets a message box about bad arguments; a script (output redirected, or /quiet) none.
TEST_F(CommandLineTest, BadArgumentsAreExplainedToAPersonOnly) {
    WebcamProcess program({}, {}, L"/frobnicate");
    HWND box = program.WaitForWindow(L"Webcam", 10000);
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = kNoExit;
    EXPECT_TRUE(program.WaitForExit(10000, &code));
    EXPECT_EQ(code, 2u);

    WebcamProcess quiet({}, {}, L"/frobnicate /quiet");
    EXPECT_EQ(quiet.WaitForWindow(L"Webcam", 3000), nullptr);  // returns as soon as it ends
    EXPECT_TRUE(quiet.WaitForExit(10000, &code));
    EXPECT_EQ(code, 2u);
}

}  // namespace
