// What the window says of the capture and how it comes back by itself, through the main window
// with Wine's real graph: the title while the record build waits (the window answering all the
// while), while recording (time going on, the file's size as on the disk, a disk about to fill)
// and after it; Stop or closing during that wait; the preview starting again after sleep and
// when a lost camera comes back, and not after the user stopped it; the session's end during
// that wait, answered only once the recording's file is closed.
#include <windows.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "capture/capture_state.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Saw(const Watched& watched, const std::wstring& title) {
    return std::find(watched.titles.begin(), watched.titles.end(), title) != watched.titles.end();
}

class CaptureStatusTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);  // AVI recordings
        Camera(1, L"Camera", L"YUY2 640 480 333333");
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
    }
    void TearDown() override {
        CaptureTest::TearDown();
        DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
    }
    std::wstring Title() const { return WindowText(m_window->m_hWnd); }
};

// "recording 00:00:03 - 1.4 MB": the seconds and the megabytes.
bool ReadRecordingTitle(const std::wstring& title, int* seconds, double* megabytes, bool* low) {
    std::smatch m;
    std::string text = Narrow(title);
    if (!std::regex_match(text, m, std::regex(R"(Webcam 1\.2 - recording (\d\d):(\d\d):(\d\d) - (\d+\.\d) MB( - low disk space)?)")))
        return false;
    *seconds = std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + std::stoi(m[3]);
    *megabytes = std::stod(m[4]);
    *low = m[5].matched;
    return true;
}

class RecordingTitle : public CaptureStatusTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RecordingTitle, SaysTheRecordingStartsThenItsTimeAndSizeAndWhetherTheDiskIsAboutToFill) {
    const bool nearlyFull = GetParam();
    ScratchDirectory ordinary;
    NearlyFullFolder small(6 * 1000 * 1000);
    if (nearlyFull && small.path().empty()) GTEST_SKIP() << "the test command mounts no small file system here";
    wcscpy(g_settings.recordPath, (nearlyFull ? small.path() : ordinary.path()).c_str());

    DWORD took = 0;
    Watched starting = WatchWindowDuring(m_window->m_hWnd, [&] {
        DWORD start = GetTickCount();
        Command(ID_RECORD);
        took = GetTickCount() - start;
    });
    EXPECT_GE(took, 2000u);  // the devices' pause, waited out
    EXPECT_TRUE(Saw(starting, L"Webcam 1.2 - starting recording..."));
    EXPECT_LT(starting.longestAnswer, 1000u);  // the window answered throughout
    ASSERT_EQ(g_captureState, Recording);

    int seconds = -1, later = -1;
    double megabytes = 0, laterMegabytes = 0;
    bool low = false;
    PumpMessages(2000, 2000);
    // The file on disk the moment the title changes: the size it says, give or take a flush of
    // the writer's buffer (1 MB) in between.
    const std::wstring before = Title();
    for (DWORD start = GetTickCount(); Title() == before && GetTickCount() - start < 2000;) PumpMessages(5, 5);
    auto files = FilesIn(g_settings.recordPath);
    files.erase(std::remove(files.begin(), files.end(), L"filler"), files.end());  // the nearly full disk's
    ASSERT_EQ(files.size(), 1u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW((std::wstring(g_settings.recordPath) + L"\\" + files[0]).c_str(), GetFileExInfoStandard, &data);
    const double onDisk = data.nFileSizeLow / (1024.0 * 1024.0);
    ASSERT_TRUE(ReadRecordingTitle(Title(), &seconds, &megabytes, &low)) << Narrow(Title());
    EXPECT_NEAR(seconds, 2, 1);
    EXPECT_LE(megabytes, onDisk + 0.05);
    EXPECT_GE(megabytes, onDisk - 1.05);
    EXPECT_EQ(low, nearlyFull);
    PumpMessages(1500, 1500);
    ASSERT_TRUE(ReadRecordingTitle(Title(), &later, &laterMegabytes, &low)) << Narrow(Title());
    EXPECT_GT(later, seconds);  // time goes on

    Command(ID_STOP);
    EXPECT_EQ(Title(), L"Webcam 1.2");
}

INSTANTIATE_TEST_SUITE_P(Disks, RecordingTitle, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "NearlyFull" : "Roomy"; });

class DuringTheWait : public CaptureStatusTest, public ::testing::WithParamInterface<UINT> {};

// What the presser thread does during the wait, and whether the recording's file was closed (or
// gone) by the time the session's end was answered.
struct Press {
    HWND window;
    UINT message;
    std::wstring folder;
    bool closedAtAnswer = false;
};

// No handle is open on any file in `folder` (a file still written cannot be opened alone).
bool AllClosed(const std::wstring& folder) {
    for (const auto& name : FilesIn(folder)) {
        HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
    }
    return true;
}

TEST_P(DuringTheWait, StopOrClosingEndsTheRecordingCleanly) {
    ScratchDirectory videos;
    wcscpy(g_settings.recordPath, videos.path().c_str());
    const UINT message = GetParam();
    HWND window = m_window->m_hWnd;
    DWORD took = 0;
    Press press{window, message, videos.path()};
    Watched watched = WatchWindowDuring(window, [&] {
        // A person presses Stop, or closes the window, half a second into the wait; or the
        // session ends once the recording's file is there (the devices settle).
        HANDLE presser = CreateThread(nullptr, 0, [](void* p) -> DWORD {
            auto* press = static_cast<Press*>(p);
            if (press->message == WM_ENDSESSION) {
                for (DWORD start = GetTickCount(); FilesIn(press->folder).empty() && GetTickCount() - start < 10000;) Sleep(10);
                SendMessageW(press->window, WM_ENDSESSION, TRUE, 0);
                press->closedAtAnswer = AllClosed(press->folder);
                return 0;
            }
            Sleep(500);
            if (press->message == WM_CLOSE)
                PostMessageW(press->window, WM_CLOSE, 0, 0);
            else
                PostMessageW(press->window, WM_COMMAND, ID_STOP, 0);
            return 0;
        }, &press, 0, nullptr);
        DWORD start = GetTickCount();
        Command(ID_RECORD);
        took = GetTickCount() - start;
        WaitForSingleObject(presser, 5000);
        CloseHandle(presser);
        PumpMessages(300, 1000);  // what waited for its turn
    });
    if (message == WM_ENDSESSION) EXPECT_TRUE(press.closedAtAnswer);
    else EXPECT_LT(took, 1500u);  // the wait ended early
    EXPECT_LT(watched.longestAnswer, 1000u);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_captureState, message == ID_STOP ? Previewing : Stopped);
    EXPECT_EQ(Title(), L"Webcam 1.2");
    // The file holds what arrived, or is gone when nothing did.
    for (const auto& name : FilesIn(videos.path())) {
        std::wstring file = videos.Child(name);
        EXPECT_TRUE(WaitUntilClosed(file));
        EXPECT_EQ(ProbeStreams(file)["stream0.codec_name"], "mjpeg");
    }
}

INSTANTIATE_TEST_SUITE_P(Presses, DuringTheWait, ::testing::Values(UINT(ID_STOP), UINT(WM_CLOSE), UINT(WM_ENDSESSION)),
                         [](const ::testing::TestParamInfo<UINT>& info) {
                             return info.param == WM_CLOSE ? "Close" : info.param == WM_ENDSESSION ? "SessionEnd" : "Stop";
                         });

enum class Interruption { Sleep, CameraUnplugged, MicrophoneUnplugged };  // and plugged in again

struct ResumeCase {
    const char* name;
    UINT running;     // ID_PREVIEW or ID_RECORD
    bool userStops;   // the user presses Stop after the interruption
    Interruption what;
    int after;        // the capture state in the end
    const wchar_t* title;
};

class Resume : public CaptureStatusTest, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(Resume, ThePreviewStartsAgainAfterSleepAndReplugButNotAfterStop) {
    const ResumeCase& c = GetParam();
    ScratchDirectory videos;
    wcscpy(g_settings.recordPath, videos.path().c_str());
    HWND window = m_window->m_hWnd;
    Command(c.running);
    ASSERT_NE(g_captureState, Stopped);
    const bool sleep = c.what == Interruption::Sleep, microphone = c.what == Interruption::MicrophoneUnplugged;
    CLSID device = TestDeviceClsid(microphone ? 2 : 1);
    if (sleep) {
        SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    } else {  // unplugged
        UnregisterVirtualDevice(&device);
        SignalDeviceLost(&device);
        for (DWORD start = GetTickCount(); g_captureState != Stopped && GetTickCount() - start < 10000;) PumpMessages(20, 100);
    }
    EXPECT_EQ(g_captureState, Stopped);
    if (c.userStops) Command(ID_STOP);
    if (sleep) {
        SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    } else {  // plugged in again
        if (microphone)
            Microphone(2, L"Microphone", L"Microphone");
        else
            Camera(1, L"Camera", L"YUY2 640 480 333333");
        SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }
    EXPECT_EQ(g_captureState, c.after);
    EXPECT_EQ(Title(), c.title);
    EXPECT_TRUE(m_messages.empty());
    for (const auto& name : FilesIn(videos.path()))  // a recording's file is closed and playable
        EXPECT_EQ(ProbeStreams(videos.Child(name))["stream0.codec_name"], "mjpeg");
    if (c.after == Previewing) {  // the next action forgets the note
        Command(ID_CAPTURE);
        Command(ID_STOP);
        EXPECT_EQ(Title(), L"Webcam 1.2");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Interruptions, Resume,
    ::testing::Values(ResumeCase{"PreviewSleeps", ID_PREVIEW, false, Interruption::Sleep, Previewing, L"Webcam 1.2"},
                      ResumeCase{"RecordingSleeps", ID_RECORD, false, Interruption::Sleep, Previewing,
                                 L"Webcam 1.2 - recording stopped by sleep"},
                      ResumeCase{"StoppedAfterSleep", ID_PREVIEW, true, Interruption::Sleep, Stopped, L"Webcam 1.2"},
                      ResumeCase{"PreviewReplugged", ID_PREVIEW, false, Interruption::CameraUnplugged, Previewing,
                                 L"Webcam 1.2"},
                      ResumeCase{"RecordingReplugged", ID_RECORD, false, Interruption::CameraUnplugged, Previewing,
                                 L"Webcam 1.2 - recording stopped: the camera was lost"},
                      ResumeCase{"RecordingMicrophoneReplugged", ID_RECORD, false, Interruption::MicrophoneUnplugged,
                                 Previewing, L"Webcam 1.2 - recording stopped: the microphone was lost"},
                      ResumeCase{"StoppedAfterReplug", ID_PREVIEW, true, Interruption::CameraUnplugged, Stopped,
                                 L"Webcam 1.2"}),
    [](const ::testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

}  // namespace
