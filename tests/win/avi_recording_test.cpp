// Recording where the system has no Windows Media runtime (the test prefix's stand-ins switched
// off): Motion-JPEG AVI files of our own compressor and writer, read back by ffprobe and ffmpeg,
// for both kinds of camera layout, every way a recording ends, and a disk that fills.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/frame_conversion.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
#include "test_pattern.h"
#include "ui/option_dlg.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class AviRecordingTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);  // no Windows Media runtime
    }
    void TearDown() override {
        CaptureTest::TearDown();
        DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
    }
    void OpenWithDevices(const wchar_t* formats, const std::wstring& records) {
        Camera(1, L"Camera", formats);
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
        wcscpy(g_settings.recordPath, records.c_str());
    }
    void Run(DWORD ms) { PumpMessages(ms, ms); }
    std::wstring OnlyFile(const std::wstring& folder) {
        auto files = FilesIn(folder);
        if (files.size() != 1) {
            ADD_FAILURE() << files.size() << " files in the record folder";
            return {};
        }
        return folder + L"\\" + files[0];
    }
    ScratchDirectory m_records;
};

struct LayoutCase {
    const wchar_t* format;
    PixelLayout layout;
};

class AviRecordingLayouts : public AviRecordingTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(AviRecordingLayouts, FiveSecondsGiveMotionJpegAndPcmThatAgreeFrameByFrame) {
    OpenWithDevices(GetParam().format, m_records.path());
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    EXPECT_TRUE(m_messages.empty());
    auto names = GraphFilterNames();
    EXPECT_NE(std::find(names.begin(), names.end(), L"AVI Writer"), names.end());
    EXPECT_EQ(ConnectedTo(L"Smart Tee", L"Capture"), L"JPEG Compressor:In");
    EXPECT_EQ(ConnectedTo(L"JPEG Compressor", L"Out"), L"AVI Writer:Video");
    EXPECT_EQ(ConnectedTo(L"Audio Capture", L"Capture"), L"AVI Writer:Audio");
    Run(5000);
    Command(ID_STOP);
    EXPECT_EQ(g_captureState, Previewing);

    std::wstring file = OnlyFile(m_records.path());
    EXPECT_TRUE(std::regex_match(Narrow(file.substr(file.rfind(L'\\') + 1)), std::regex(R"(Video\d{14}\.avi)")));
    auto probe = ProbeStreams(file);
    EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
    EXPECT_EQ(probe["stream0.width"], "640");
    EXPECT_EQ(probe["stream0.height"], "480");
    EXPECT_EQ(probe["stream1.codec_name"], "pcm_s16le");
    EXPECT_EQ(probe["stream1.sample_rate"], "44100");
    EXPECT_EQ(probe["stream1.channels"], "2");
    double video = ProbeNumber(probe, "stream0.duration");
    EXPECT_NEAR(video, 5.0, 0.3);
    EXPECT_NEAR(ProbeNumber(probe, "stream0.nb_frames"), video * 30, 3);
    EXPECT_GE(ProbeNumber(probe, "stream0.nb_read_packets"), video * 30 * 0.9);  // repeats are few
    // The file begins with the first frame after the record build's pause: no frame from before
    // it, and no gap after the first.
    std::vector<double> pictures = VideoPictureTimes(file);
    ASSERT_GE(pictures.size(), 2u);
    EXPECT_LT(pictures[1] - pictures[0], 0.1);

    // Frame 30, decoded by ffmpeg, is the camera's picture within JPEG's error.
    ScratchDirectory work;
    std::wstring raw = work.Child(L"frame.bgr");
    RunUnixShell("ffmpeg -v error -i '" + UnixPath(file) + "' -vf 'select=eq(n\\,30)' -frames:v 1 " +
                 "-f rawvideo -pix_fmt bgr24 '" + UnixPath(raw) + "'");
    std::vector<uint8_t> decoded = ReadBytes(raw);
    ASSERT_EQ(decoded.size(), 640u * 480 * 3);
    std::vector<uint8_t> frame(PatternFrameBytes(GetParam().layout, 640, 480));
    FillPatternFrame(GetParam().layout, 640, 480, frame.data(), frame.size());
    std::vector<uint8_t> expected(640 * 480 * 4);
    FrameLayout layout = GetParam().layout == PixelLayout::Yuy2 ? FrameLayout::Yuy2 : FrameLayout::Yv12;
    ASSERT_TRUE(ConvertFrameToRgb32(layout, frame.data(), frame.size(), 640, 480, expected.data(), expected.size()));
    double difference = 0;
    for (size_t i = 0; i < 640 * 480; ++i)
        for (int c = 0; c < 3; ++c) difference += std::abs(decoded[3 * i + c] - expected[4 * i + c]);
    EXPECT_LT(difference / (640 * 480 * 3), 6.0);

    // The sound is the microphone's quiet 440 Hz tone: its level and its zero crossings.
    std::wstring pcm = work.Child(L"sound.s16");
    RunUnixShell("ffmpeg -v error -i '" + UnixPath(file) + "' -map 0:a -ac 1 -f s16le '" + UnixPath(pcm) + "'");
    std::vector<uint8_t> sound = ReadBytes(pcm);
    ASSERT_GT(sound.size(), 44100u * 2);
    const int16_t* samples = reinterpret_cast<const int16_t*>(sound.data());
    size_t count = sound.size() / 2, crossings = 0;
    double power = 0;
    for (size_t i = 44100; i < count; ++i) {  // the first second may start with silence
        power += static_cast<double>(samples[i]) * samples[i];
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    }
    double seconds = static_cast<double>(count - 44100) / 44100;
    double audio = static_cast<double>(count) / 44100;  // every sample decoded
    EXPECT_NEAR(audio, 5.0, 0.3);
    EXPECT_LE(std::fabs(video - audio), 1.0 / 30 + 0.001);
    EXPECT_NEAR(std::sqrt(power / (count - 44100)), 3000 / std::sqrt(2.0), 200);
    EXPECT_NEAR(crossings / seconds, 880, 20);
}

INSTANTIATE_TEST_SUITE_P(Layouts, AviRecordingLayouts,
                         ::testing::Values(LayoutCase{L"YUY2 640 480 333333", PixelLayout::Yuy2},
                                           LayoutCase{L"YV12 640 480 333333", PixelLayout::Yv12}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             return info.param.layout == PixelLayout::Yuy2 ? "YUY2" : "YV12";
                         });

// Every way a recording ends leaves a file that ffprobe reads with its frames and sound.
struct Ending {
    const char* name;
    std::function<void(CZevuvArividDlg& window)> end;
};

class AviRecordingEndings : public AviRecordingTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(AviRecordingEndings, CloseAPlayableFile) {
    OpenWithDevices(L"YUY2 640 480 333333", m_records.path());
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    Run(1500);
    GetParam().end(*m_window);
    DWORD start = GetTickCount();
    while (g_captureState == Recording && GetTickCount() - start < 10000) Run(50);
    EXPECT_NE(g_captureState, Recording);
    auto probe = ProbeStreams(OnlyFile(m_records.path()));
    EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
    EXPECT_GT(ProbeNumber(probe, "stream0.nb_read_packets"), 30);
    EXPECT_GT(ProbeNumber(probe, "stream1.nb_read_packets"), 10);
    EXPECT_GT(ProbeNumber(probe, "stream0.duration"), 1.2);
}

void Send(CZevuvArividDlg& window, UINT message, WPARAM wParam) { SendMessageW(window.m_hWnd, message, wParam, 0); }

INSTANTIATE_TEST_SUITE_P(
    Ways, AviRecordingEndings,
    ::testing::Values(
        Ending{"Stop", [](CZevuvArividDlg& w) { Send(w, WM_COMMAND, ID_STOP); }},
        Ending{"CloseTheWindow", [](CZevuvArividDlg& w) { Send(w, WM_CLOSE, 0); }},
        Ending{"Escape", [](CZevuvArividDlg& w) { Send(w, WM_COMMAND, IDCANCEL); }},
        Ending{"OptionsOk",
               [](CZevuvArividDlg& w) {
                   Send(w, WM_COMMAND, ID_OPTION);
                   SendMessageW(GetDlgItem(g_optionDlg->m_hWnd, IDOK), BM_CLICK, 0, 0);
               }},
        Ending{"SessionEnd", [](CZevuvArividDlg& w) { Send(w, WM_ENDSESSION, TRUE); }},
        Ending{"Suspend", [](CZevuvArividDlg& w) { Send(w, WM_POWERBROADCAST, PBT_APMSUSPEND); }},
        Ending{"CameraUnplugged",
               [](CZevuvArividDlg&) {
                   CLSID camera = TestDeviceClsid(1);
                   SignalDeviceLost(&camera);
               }},
        Ending{"MicrophoneUnplugged",
               [](CZevuvArividDlg&) {
                   CLSID microphone = TestDeviceClsid(2);
                   SignalDeviceLost(&microphone);
               }}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST_F(AviRecordingTest, AFullDiskStopsTheRecordingKeepsWhatWasWrittenAndTellsTheUser) {
    // The disk fills while frames are written, or just before Stop while the end is written.
    for (bool fillsBeforeStop : {false, true}) {
        NearlyFullFolder full(fillsBeforeStop ? 5 * 1024 * 1024 : 600 * 1024);
        if (full.path().empty()) GTEST_SKIP() << "the test command mounts no small file system here";
        OpenWithDevices(L"YUY2 640 480 333333", full.path());
        Command(ID_RECORD);
        ASSERT_EQ(g_captureState, Recording);
        if (fillsBeforeStop) {
            Run(3000);  // more than the writer holds back: some of it reaches the disk
            ASSERT_TRUE(m_messages.empty());
            full.FillUp();
            Command(ID_STOP);
        }
        DWORD start = GetTickCount();
        while (g_captureState == Recording && GetTickCount() - start < 30000) Run(50);
        EXPECT_EQ(g_captureState, fillsBeforeStop ? Previewing : Stopped);
        EXPECT_EQ(m_messages, std::vector<std::wstring>{
                                  L"Error: The recording has stopped: the video file could not be written."});
        std::wstring file;
        for (const auto& name : FilesIn(full.path()))
            if (name.find(L".avi") != std::wstring::npos) file = full.path() + L"\\" + name;
        ASSERT_FALSE(file.empty());
        auto probe = ProbeStreams(file);
        EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
        EXPECT_GT(ProbeNumber(probe, "stream0.nb_read_packets"), 3);
        EXPECT_LE(ProbeNumber(probe, "stream0.nb_read_packets"), ProbeNumber(probe, "stream0.nb_frames"));

        // The program goes on: a preview starts.
        m_messages.clear();
        Command(ID_STOP);
        Command(ID_PREVIEW);
        EXPECT_EQ(g_captureState, Previewing);
        EXPECT_TRUE(m_messages.empty());
        m_window->CloseSequence();
        m_window.reset();
    }
}

// A sound card whose clock runs 1 % fast against the camera's: the microphone's click at each
// second of stream time stays where that second is in the recording, within a frame.
TEST_F(AviRecordingTest, SoundFromAFastSoundCardStaysInStepWithThePicture) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    SetDword(HKEY_CURRENT_USER, TestDeviceKey(2).c_str(), L"ClockPpm", 10000);
    OpenWindow();
    wcscpy(g_settings.recordPath, m_records.path().c_str());
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    Run(9000);
    Command(ID_STOP);

    ScratchDirectory work;
    std::wstring pcm = work.Child(L"sound.s16");
    RunUnixShell("ffmpeg -v error -i '" + UnixPath(OnlyFile(m_records.path())) + "' -map 0:a -ac 1 -f s16le '" +
                 UnixPath(pcm) + "'");
    std::vector<uint8_t> sound = ReadBytes(pcm);
    const int16_t* samples = reinterpret_cast<const int16_t*>(sound.data());
    std::vector<size_t> clicks;
    for (size_t i = 0; i < sound.size() / 2; ++i)
        if (samples[i] > 31000 && (clicks.empty() || i - clicks.back() > 22050)) clicks.push_back(i);
    ASSERT_GE(clicks.size(), 7u);
    double worst = 0;
    for (size_t n = 1; n < clicks.size(); ++n) {
        double seconds = (clicks[n] - clicks[0]) / 44100.0;
        worst = std::max(worst, std::fabs(seconds - std::round(seconds)));
    }
    EXPECT_LT(worst, 1.0 / 30);  // uncorrected, the last click would be 80 ms late
}

}  // namespace
