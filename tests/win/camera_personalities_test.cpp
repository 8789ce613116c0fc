// Cameras made otherwise than ours, as third-party drivers and virtual cameras are: other pin
// IDs and names, a still pin first, no pin category, no IAMStreamConfig, VIDEOINFOHEADER2
// formats, frame-interval ranges, a single buffer, frames without time stamps, formats only
// once ready. Each previews (its picture on screen), gives a snapshot of its picture, records
// an AVI file that ffprobe reads frame for frame, and stops; through the main window, with
// Wine's real graph. And cameras in trouble: held by another program, falling silent, stuck.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_state.h"
#include "devices/device_catalogue.h"
#include "framework/raii.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "support/camera_picture.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";

struct Personality {
    const char* name;
    // "Value=data;...": the camera's configuration values (numbers as DWORDs, else texts).
    const wchar_t* values;
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

void Configure(int camera, const std::wstring& values) {
    std::wstringstream items(values);
    std::wstring item;
    while (std::getline(items, item, L';')) {
        size_t equals = item.find(L'=');
        std::wstring name = item.substr(0, equals), data = item.substr(equals + 1);
        if (!data.empty() && data.find_first_not_of(L"0123456789") == std::wstring::npos)
            SetDword(HKEY_CURRENT_USER, TestDeviceKey(camera).c_str(), name.c_str(), std::stoul(data));
        else
            SetString(HKEY_CURRENT_USER, TestDeviceKey(camera).c_str(), name.c_str(), data.c_str());
    }
}

class CameraPersonalities : public CaptureTest, public ::testing::WithParamInterface<Personality> {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);  // AVI recordings
    }
    void TearDown() override {
        CaptureTest::TearDown();
        DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
    }
    // The pixels of the next snapshot's BMP file, bottom row first; empty when none came.
    std::vector<uint8_t> SnapshotPixels() {
        Command(ID_CAPTURE);
        DWORD start = GetTickCount();
        while (FilesIn(m_pictures.path()).empty() && GetTickCount() - start < 10000) PumpMessages(20, 100);
        auto files = FilesIn(m_pictures.path());
        if (files.size() != 1 || !WaitUntilClosed(m_pictures.Child(files[0]))) return {};
        std::vector<uint8_t> bmp = ReadBytes(m_pictures.Child(files[0]));
        return bmp.size() > 54 ? std::vector<uint8_t>(bmp.begin() + 54, bmp.end()) : std::vector<uint8_t>{};
    }
    ScratchDirectory m_pictures, m_records;
};

TEST_P(CameraPersonalities, PreviewsGivesItsPictureRecordsAndStops) {
    Camera(1, L"Foreign camera", L"YUY2 640 480 333333");
    Configure(1, GetParam().values);
    Microphone(2, L"Microphone", L"Microphone");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", TestCameraId(1).c_str());
    const bool late = DeviceNumber(1, L"Ready") == 0;
    OpenWindow();
    wcscpy(g_settings.capturePath, m_pictures.path().c_str());
    wcscpy(g_settings.recordPath, m_records.path().c_str());
    g_settings.captureFormat = 1;  // BMP
    if (late) {  // its feeding program starts after Webcam did
        EXPECT_EQ(g_videoDeviceCount, 0);
        SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"Ready", 1);
    }

    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing) << (m_messages.empty() ? std::wstring() : m_messages.front());
    EXPECT_EQ(std::wstring(g_videoDeviceID), TestCameraId(1));
    // Asked for 3 buffers; our copier only behind a camera that keeps giving one.
    EXPECT_EQ(DeviceNumber(1, L"BufferSuggestion"), 3u);
    auto names = GraphFilterNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Frame Copier"),
              DeviceNumber(1, L"IgnoresBufferSuggestion") == 1 ? 1 : 0);
    HWND main = m_window->m_hWnd;
    SizeVideoArea(main, 640, 480);
    const std::vector<unsigned> picture = CameraPicture();
    ScreenPixels shown = PictureOnScreen(VideoWindow(main), picture, 0);
    EXPECT_EQ(MeanDifference(shown, picture), 0);
    EXPECT_EQ(SnapshotPixels(), PatternSnapshotPixels());

    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    PumpMessages(3000, 3000);
    Command(ID_STOP);
    EXPECT_EQ(g_captureState, Previewing);
    auto files = FilesIn(m_records.path());
    ASSERT_EQ(files.size(), 1u);
    auto probe = ProbeStreams(m_records.Child(files[0]));
    EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
    EXPECT_EQ(probe["stream0.width"], "640");
    double seconds = ProbeNumber(probe, "stream0.duration");
    EXPECT_NEAR(seconds, 3.0, 0.4);
    EXPECT_EQ(probe["stream1.codec_name"], "pcm_s16le");
    // Every picture the camera sent, each at its time (the file's 30th of a second): as many in
    // the last second as in any other (give or take a loaded machine's hiccup; an end cut short
    // loses the frames in flight and more).
    const double sentPerSecond =
        1e7 / DwordValue(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"DeliveryInterval", 333333);
    EXPECT_NEAR(ProbeNumber(probe, "stream0.nb_read_packets"), seconds * sentPerSecond, 4);
    std::vector<double> pictures = VideoPictureTimes(m_records.Child(files[0]));
    EXPECT_NEAR(std::count_if(pictures.begin(), pictures.end(), [&](double t) { return t >= seconds - 1; }),
                sentPerSecond, 5);

    Command(ID_STOP);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, CameraPersonalities,
    ::testing::Values(Personality{"PinOneNamedVideo", L"PinId=1;PinName=Video"},
                      Personality{"StillPinFirst", L"StillPinFirst=1;PinId=1"},
                      Personality{"NoPinCategory", L"NoPinCategory=1"},
                      Personality{"NoStreamConfig", L"NoStreamConfig=1"},
                      Personality{"VideoInfo2Only", L"VideoInfo2=1"},
                      Personality{"FrameIntervalRanges", L"IntervalRange=1"},
                      Personality{"OneBuffer", L"Buffers=1"},
                      Personality{"OneBufferWhateverItIsAsked", L"Buffers=1;IgnoresBufferSuggestion=1"},
                      Personality{"FramesWithoutTimeStamps", L"Untimed=1"},
                      Personality{"FramesWithoutTimeStampsAtHalfTheirRate", L"Untimed=1;DeliveryInterval=666666"},
                      Personality{"ReadyAfterStart", L"Ready=0"},
                      Personality{"BaseClassesSource",
                                  L"PinId=1;PinName=Video;NoStreamConfig=1;Buffers=1;IgnoresBufferSuggestion=1"}),
    [](const ::testing::TestParamInfo<Personality>& info) { return std::string(info.param.name); });

// A camera held by another program (or kept from programs by the privacy settings) refuses to
// start with one of several codes: the user is told so, and the window stays usable.
TEST_F(CameraPersonalities, ACameraInUseElsewhereSaysSo) {
    Camera(1, L"Busy camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    for (HRESULT code : {HRESULT_FROM_WIN32(ERROR_BUSY), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION),
                         HRESULT(0x800705AA), VFW_E_CANNOT_CONNECT, E_ACCESSDENIED}) {
        SCOPED_TRACE(std::to_string(static_cast<unsigned long>(code)));
        m_messages.clear();
        SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"BusyWith", static_cast<DWORD>(code));
        Command(ID_PREVIEW);
        EXPECT_EQ(m_messages,
                  std::vector<std::wstring>{L"Error: The camera is in use by another program, or access to it is turned off."});
        EXPECT_EQ(g_captureState, Stopped);
        EXPECT_TRUE(m_window->Toolbar().SendMessage(TB_GETSTATE, ID_PREVIEW) & TBSTATE_ENABLED);
    }
    // Let go of by the other program: Preview works again.
    SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"BusyWith", 0);
    m_messages.clear();
    Command(ID_PREVIEW);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_TRUE(m_messages.empty());
    // Held already as Webcam starts (and so left out of the device list): said all the same.
    SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"BusyWith", static_cast<DWORD>(E_ACCESSDENIED));
    OpenWindow();
    Command(ID_PREVIEW);
    EXPECT_EQ(m_messages,
              std::vector<std::wstring>{L"Error: The camera is in use by another program, or access to it is turned off."});
}

// A camera that stops sending mid-recording and tells nobody: within 3-4 s the recording is
// closed with what came, the title says why and has stopped counting; when frames can come
// again the preview returns by itself. After the user's Stop nothing returns.
TEST_F(CameraPersonalities, ACameraThatStopsSendingEndsTheRecordingAndThePreviewReturnsWithItsFrames) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    wcscpy(g_settings.recordPath, m_records.path().c_str());
    HWND window = m_window->m_hWnd;
    UniqueHandle silent(CreateEventW(nullptr, TRUE, FALSE, (L"WebcamTestSilent-" + GuidText(TestDeviceClsid(1))).c_str()));
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    PumpMessages(1500, 1500);
    SetEvent(silent.get());
    const DWORD fell = GetTickCount();
    std::vector<std::wstring> titles;
    while (g_captureState == Recording && GetTickCount() - fell < 10000) {
        PumpMessages(20, 20);
        if (titles.empty() || titles.back() != WindowText(window)) titles.push_back(WindowText(window));
    }
    const DWORD took = GetTickCount() - fell;
    EXPECT_GE(took, 2900u);
    EXPECT_LE(took, 4500u);
    EXPECT_EQ(WindowText(window), L"Webcam 1.2 - recording stopped: the camera stopped sending pictures");
    int longest = 0;  // the recording's time in the title stood still once nothing came
    for (const std::wstring& title : titles) {
        std::wsmatch time;
        if (std::regex_search(title, time, std::wregex(L"recording 00:00:(\\d\\d)"))) longest = std::max(longest, std::stoi(time[1]));
    }
    EXPECT_GE(longest, 1);
    EXPECT_LE(longest, 3);
    EXPECT_TRUE(m_messages.empty());
    auto files = FilesIn(m_records.path());
    ASSERT_EQ(files.size(), 1u);
    auto probe = ProbeStreams(m_records.Child(files[0]));
    EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
    EXPECT_GT(ProbeNumber(probe, "stream0.nb_read_packets"), 20);

    // Frames can come again: the preview returns, the note of what stopped the recording kept.
    ResetEvent(silent.get());
    for (DWORD start = GetTickCount(); g_captureState != Previewing && GetTickCount() - start < 10000;) PumpMessages(20, 20);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_EQ(WindowText(window), L"Webcam 1.2 - recording stopped: the camera stopped sending pictures");
    EXPECT_TRUE(m_messages.empty());

    // Silent during the preview, then stopped by the user: nothing returns by itself.
    SetEvent(silent.get());
    for (DWORD start = GetTickCount(); g_captureState != Stopped && GetTickCount() - start < 10000;) PumpMessages(20, 20);
    EXPECT_EQ(g_captureState, Stopped);
    Command(ID_STOP);
    ResetEvent(silent.get());
    PumpMessages(5000, 5000);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_EQ(WindowText(window), L"Webcam 1.2");
    EXPECT_TRUE(m_messages.empty());
}

// A camera whose streaming thread gets stuck: the graph cannot stop, and the program goes on
// without it. The stuck threads are released at the end, so that the abandoned graphs end.
class StuckCamera : public CaptureTest {
protected:
    void OpenWithCameraStuckAfter(DWORD frames) {
        Camera(1, L"Stuck camera", L"YUY2 640 480 333333");
        SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"StuckAfter", frames);
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
    }
    void TearDown() override {
        CaptureTest::TearDown();
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, (L"WebcamTestRelease-" + GuidText(TestDeviceClsid(1))).c_str());
        SetEvent(release);
        Sleep(200);
        CloseHandle(release);
    }
    bool Stuck() const { return DwordValue(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"Stuck", 0) == 1; }
};

TEST_F(StuckCamera, StopAnswersWithinItsBoundKeepsTheRecordingAndStartsAFreshGraph) {
    OpenWithCameraStuckAfter(45);
    SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
    ScratchDirectory videos;
    wcscpy(g_settings.recordPath, videos.path().c_str());
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    for (DWORD start = GetTickCount(); !Stuck() && GetTickCount() - start < 5000;) PumpMessages(20, 50);
    ASSERT_TRUE(Stuck());

    // Half a second into the stop's wait the window is made larger, as a person drags its edge:
    // the window answers throughout, sizing never waiting for the graph.
    DWORD took = 0, resized = 0;
    HWND window = m_window->m_hWnd;
    DWORD longest = WatchWindowDuring(window, [&] {
                        std::thread sizer([&] {
                            Sleep(500);
                            DWORD start = GetTickCount();
                            SetWindowPos(window, nullptr, 0, 0, 800, 640, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                            resized = GetTickCount() - start;
                        });
                        DWORD start = GetTickCount();
                        Command(ID_STOP);
                        took = GetTickCount() - start;
                        sizer.join();
                    }).longestAnswer;
    DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
    EXPECT_GE(took, 2900u);  // the stop was waited for
    EXPECT_LT(took, 4500u);
    EXPECT_LT(longest, 1000u);  // and the window answered meanwhile
    EXPECT_LT(resized, 1000u);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: The camera stopped responding."}));
    // The recording's writer stopped before the camera: its file is closed and playable.
    auto files = FilesIn(videos.path());
    ASSERT_EQ(files.size(), 1u);
    auto probe = ProbeStreams(videos.Child(files[0]));
    EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
    EXPECT_GT(ProbeNumber(probe, "stream0.nb_read_packets"), 10);

    // Stop went on to the preview with a fresh graph, over the video area of the larger window:
    // the picture again, until the camera sticks once more.
    ASSERT_EQ(g_captureState, Previewing);
    PumpMessages(100, 200);
    RECT client, videoArea;
    GetClientRect(window, &client);
    ASSERT_TRUE(VideoWindow(window));
    GetWindowRect(VideoWindow(window), &videoArea);
    EXPECT_EQ(videoArea.right - videoArea.left, client.right);
    SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"Stuck", 0);
    for (DWORD start = GetTickCount(); !Stuck() && GetTickCount() - start < 5000;) PumpMessages(20, 50);
    EXPECT_TRUE(Stuck());  // its frames came
    m_messages.clear();
    Command(ID_STOP);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: The camera stopped responding."}));
    EXPECT_EQ(g_captureState, Stopped);
    HWND video = VideoWindow(m_window->m_hWnd);
    PumpMessages(100, 200);
    EXPECT_FALSE(video && IsWindowVisible(video));
}

TEST_F(StuckCamera, ACameraThatNeverDeliversIsGivenUp) {
    OpenWithCameraStuckAfter(0);
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    for (DWORD start = GetTickCount(); m_messages.empty() && GetTickCount() - start < 12000;) PumpMessages(20, 50);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: The camera stopped responding."}));
    EXPECT_EQ(g_captureState, Stopped);
}

}  // namespace
