// Recording in the test process with Wine's real graph, the virtual devices and the stand-ins
// for the Windows Media writer and profile manager: the record graph, the file the writer is
// given and what reaches it, the ways a recording ends, snapshots at a substitute size, and
// the recordings that are refused.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/recording_profile.h"
#include "framework/raii.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_pipeline.h"
#include "snapshot/snapshot_request.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/unix_tools.h"
#include "support/writer_report.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

const wchar_t kProfilesKey[] = L"Software\\WebcamTest\\WMProfiles";
const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class RecordingTest : public CaptureTest {
protected:
    void TearDown() override {
        CaptureTest::TearDown();
        DeleteKey(HKEY_CURRENT_USER, kProfilesKey);
        DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
    }

    // A camera listing 320 x 240, 640 x 360 and 640 x 480 with `chosen` stored for it, a microphone, and
    // the main window with the record folder (given a trailing backslash) set.
    void OpenWithDevices(const wchar_t* chosen = L"640 x 480") {
        Camera(1, L"Camera", L"YUY2 320 240 333333;YUY2 640 360 333333;YUY2 640 480 333333");
        Microphone(2, L"Microphone", L"Microphone;Line In");
        SetString(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(1).c_str(), chosen);
        OpenWindow();
        wcscpy(g_settings.recordPath, (m_records.path() + L"\\").c_str());
        wcscpy(g_settings.capturePath, m_pictures.path().c_str());
        g_settings.captureFormat = 1;
    }

    bool Enabled(UINT id) {
        return m_window->Toolbar().SendMessage(TB_GETSTATE, id) & TBSTATE_ENABLED;
    }

    // Lets the graph run for `ms` with the window's messages dispatched.
    void Run(DWORD ms) { PumpMessages(ms, ms); }

    // The report of the only recording in the record folder.
    WriterReport OnlyRecording() {
        auto files = FilesIn(m_records.path());
        if (files.size() != 1) {
            ADD_FAILURE() << files.size() << " files in the record folder";
            return {};
        }
        return ReadWriterReport(m_records.Child(files[0]));
    }

    // Both counts of a closed recording are above zero.
    static void ExpectClosedWithFramesAndSound(const WriterReport& report) {
        EXPECT_EQ(report.count("closed"), 1u);
        EXPECT_GT(ReportNumber(report, "video.frames"), 0);
        EXPECT_GT(ReportNumber(report, "audio.buffers"), 0);
    }

    ScratchDirectory m_records, m_pictures;
};

// "Record at the preview's resolution": off, the camera runs at 640 x 480 as always; on, it keeps
// the size chosen for the preview, in the AVI file and in the Windows Media profile (whose video
// bit rate follows the pixel count).
TEST_F(RecordingTest, TheOptionKeepsThePreviewsSizeForTheRecording) {
    struct Case {
        bool option, windowsMedia;
        const wchar_t* chosen;
        const char* recorded;
        const char* bitrate;
    };
    const Case cases[] = {
        {false, true, L"1280 x 720", "640x480", "250000"},  {true, true, L"1280 x 720", "1280x720", "750000"},
        {false, false, L"1280 x 720", "640x480", nullptr},  {true, false, L"1280 x 720", "1280x720", nullptr},
        {true, false, L"320 x 240", "320x240", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.chosen) + (c.option ? " option on" : " option off") + (c.windowsMedia ? " WMV" : " AVI"));
        if (c.windowsMedia)
            DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
        else
            SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
        Camera(1, L"Camera", L"YUY2 320 240 333333;YUY2 640 480 333333;YUY2 1280 720 333333");
        Microphone(2, L"Microphone", L"Microphone");
        SetString(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(1).c_str(), c.chosen);
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"recordAtPreviewResolution", c.option);
        OpenWindow();
        wcscpy(g_settings.recordPath, m_records.path().c_str());
        Command(ID_RECORD);
        ASSERT_EQ(g_captureState, Recording);
        Run(1000);
        Command(ID_STOP);
        auto files = FilesIn(m_records.path());
        ASSERT_EQ(files.size(), 1u);
        std::wstring file = m_records.Child(files[0]);
        if (c.windowsMedia) {
            WriterReport report = ReadWriterReport(file);
            EXPECT_EQ(report["profile.video.bitmap"], c.recorded);
            EXPECT_EQ(report["video.type"], std::string("YUY2 ") + c.recorded);
            EXPECT_EQ(report["profile.video.bitrate"], c.bitrate);
            EXPECT_EQ(report["profile.video.header.bitrate"], c.bitrate);
        } else {
            auto probe = ProbeStreams(file);
            EXPECT_EQ(probe["stream0.width"] + "x" + probe["stream0.height"], c.recorded) << probe["error"];
        }
        DeleteFileW(file.c_str());
        m_window->CloseSequence();
        m_window.reset();
    }
}

TEST_F(RecordingTest, BuildsTheRecordGraphAndStopReturnsToPreviewWithTheFileClosed) {
    OpenWithDevices();
    g_settings.videoResolution = 1;  // the record build resets it
    Command(ID_RECORD);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_EQ(g_captureState, Recording);
    auto names = GraphFilterNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Audio Capture", L"RGB Converter", L"RirovirGrabber",
                                                L"Smart Tee", L"Video Capture", L"Video Render",
                                                L"WMV Writer"}));
    EXPECT_EQ(ConnectedTo(L"Video Capture", L"0"), L"Smart Tee:Input");
    EXPECT_EQ(ConnectedTo(L"RirovirGrabber", L"In"), L"Smart Tee:Preview");
    EXPECT_EQ(ConnectedTo(L"RGB Converter", L"Out"), L"Video Render:In");  // Wine's preview branch
    EXPECT_EQ(ConnectedTo(L"Audio Capture", L"Capture"), L"WMV Writer:Audio Input 01");
    EXPECT_EQ(ConnectedTo(L"Smart Tee", L"Capture"), L"WMV Writer:Video Input 01");
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 640 480 333333");
    EXPECT_EQ(g_snapshotRescale, 0);
    EXPECT_EQ(g_settings.videoResolution, 0);
    EXPECT_FALSE(Enabled(ID_PREVIEW));
    EXPECT_FALSE(Enabled(ID_RECORD));
    EXPECT_TRUE(Enabled(ID_STOP));
    // The file exists from the start and is written when the graph stops.
    auto files = FilesIn(m_records.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(Narrow(files[0]), std::regex(R"(Video\d{14}\.wmv)")));

    Run(1500);
    g_snapshotRequested = 1;  // a request the stop drops: the preview after it takes no picture
    Command(ID_STOP);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_EQ(g_recordMode, 0);
    EXPECT_TRUE(Enabled(ID_PREVIEW));
    EXPECT_TRUE(Enabled(ID_RECORD));
    names = GraphFilterNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), L"WMV Writer"), names.end());
    WriterReport report = OnlyRecording();
    ExpectClosedWithFramesAndSound(report);
    // The folder's trailing backslash and the separator both stay in the name.
    EXPECT_EQ(report["file"], Narrow(m_records.path() + L"\\\\" + files[0]));
    EXPECT_EQ(report["profile.video.source"], "0,0,640,480");
    EXPECT_EQ(report["profile.video.target"], "0,0,640,480");
    EXPECT_EQ(report["profile.video.bitmap"], "640x480");
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kProfilesKey, L"LastLoadedIndex"), 11u);
    EXPECT_EQ(report["video.type"], "YUY2 640x480");
    EXPECT_EQ(report["audio.type"].rfind("PCM ", 0), 0u);
    EXPECT_EQ(ReportNumber(report, "video.bytes"), ReportNumber(report, "video.frames") * 640 * 480 * 2);
    Run(1000);
    EXPECT_TRUE(FilesIn(m_pictures.path()).empty());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(RecordingTest, AWriterErrorStopsTheRecordingClosesTheFileAndTellsTheUser) {
    OpenWithDevices();
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    Run(500);
    HANDLE failure = CreateEventW(nullptr, TRUE, TRUE, L"WebcamTestWriterError");
    DWORD start = GetTickCount();
    while (g_captureState == Recording && GetTickCount() - start < 10000) Run(50);
    CloseHandle(failure);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    EXPECT_EQ(m_messages, std::vector<std::wstring>{
                              L"Error: The recording has stopped: the video file could not be written."});
    ExpectClosedWithFramesAndSound(OnlyRecording());
    EXPECT_TRUE(Enabled(ID_PREVIEW));
    Command(ID_PREVIEW);
    EXPECT_EQ(g_captureState, Previewing);
}

// However the errors of one failure arrive (the writer's and the compressor's in one notification,
// some only while the graph stops, the notification before or after the teardown's own sweep of
// the graph's events), the user is told once; the failure of a later recording is told again.
TEST_F(RecordingTest, OneFailureIsOneMessageHoweverItsErrorsArrive) {
    struct Case {
        const char* name;
        int notified;      // errors queued by the graph before the teardown
        bool failsAtStop;  // the writer fails once more as it finishes its file
        bool userStops;    // Stop is pressed before the window takes the graph's notification
    };
    const Case cases[] = {
        {"both filters, one notification", 2, false, false},
        {"the notification, then the teardown's sweep", 2, true, false},
        {"the teardown's sweep alone", 0, true, true},
        {"the teardown's sweep, then the notification", 2, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        OpenWithDevices();
        UniqueHandle atStop(CreateEventW(nullptr, TRUE, c.failsAtStop, L"WebcamTestWriterErrorAtStop"));
        for (size_t recording = 1; recording <= 2; ++recording) {
            Command(ID_RECORD);
            ASSERT_EQ(g_captureState, Recording);
            Run(300);
            Microsoft::WRL::ComPtr<IMediaEventSink> sink;
            ASSERT_HRESULT_SUCCEEDED(g_pGraph.As(&sink));
            for (int i = 0; i < c.notified; ++i) sink->Notify(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_DISK_FULL), 0);
            sink.Reset();
            if (c.userStops) Command(ID_STOP);
            Run(500);  // the notification's turn
            EXPECT_EQ(g_captureState, c.userStops ? Previewing : Stopped);
            EXPECT_EQ(m_messages, std::vector<std::wstring>(
                                      recording, L"Error: The recording has stopped: the video file could not be written."));
        }
        SendMessageW(m_window->m_hWnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(FilesIn(m_records.path()).size(), 2u * (&c - cases + 1));
    }
}

TEST_F(RecordingTest, ClosingTheWindowOrEndingTheSessionClosesTheFile) {
    OpenWithDevices();
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    Run(500);
    // A session that goes on (wParam FALSE) leaves the recording alone.
    EXPECT_EQ(SendMessageW(m_window->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(m_window->m_hWnd, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(g_captureState, Recording);
    SendMessageW(m_window->m_hWnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    ExpectClosedWithFramesAndSound(OnlyRecording());

    // A second recording in the same folder gets a file of its own, closed with the window.
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    Run(500);
    SendMessageW(m_window->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(g_captureState, Stopped);
    auto files = FilesIn(m_records.path());
    ASSERT_EQ(files.size(), 2u);
    for (const auto& name : files) ExpectClosedWithFramesAndSound(ReadWriterReport(m_records.Child(name)));
}

TEST_F(RecordingTest, ASnapshotDuringARecordingAtASubstituteSizeHasTheChosenSize) {
    OpenWithDevices(L"320 x 240");
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 640 480 333333");
    EXPECT_EQ(g_videoWidth, 320);
    EXPECT_EQ(g_videoHeight, 240);
    EXPECT_EQ(g_snapshotRescale, 1);

    Command(ID_CAPTURE);
    DWORD start = GetTickCount();
    while (FilesIn(m_pictures.path()).empty() && GetTickCount() - start < 10000) Run(50);
    auto pictures = FilesIn(m_pictures.path());
    ASSERT_EQ(pictures.size(), 1u);
    auto bmp = ReadBytes(m_pictures.Child(pictures[0]));
    ASSERT_EQ(bmp.size(), 54u + 320 * 240 * 4);
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[18]), 320);
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[22]), 240);

    Command(ID_STOP);
    EXPECT_EQ(OnlyRecording()["video.type"], "YUY2 640x480");
    // The preview that follows runs at the chosen size again.
    EXPECT_EQ(g_snapshotRescale, 0);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 320 240 333333");

    // A chosen size short in one direction only is a substitute too.
    SetString(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(1).c_str(), L"640 x 360");
    Command(ID_RECORD);
    EXPECT_EQ(g_videoHeight, 360);
    EXPECT_EQ(g_snapshotRescale, 1);
}

TEST_F(RecordingTest, APendingSnapshotRequestIsTakenByTheRecording) {
    OpenWithDevices();
    Command(ID_CAPTURE);
    Command(ID_RECORD);
    DWORD start = GetTickCount();
    while (FilesIn(m_pictures.path()).empty() && GetTickCount() - start < 10000) Run(50);
    EXPECT_EQ(FilesIn(m_pictures.path()).size(), 1u);
    EXPECT_EQ(g_snapshotRequested, 0);
}

TEST(RecordFileName, DatedInTheFolderNeverAnExistingFileAndNeverTooLong) {
    ScratchDirectory folder;
    SYSTEMTIME time{2009, 3, 6, 7, 8, 5, 9, 0};
    std::wstring first = FormatRecordFileName((folder.path() + L"\\").c_str(), time);
    EXPECT_EQ(first, folder.path() + L"\\\\Video20090307080509.wmv");
    WriteTextFile(first, "earlier recording");
    EXPECT_EQ(FormatRecordFileName(folder.path().c_str(), time),
              folder.Child(L"Video20090307080509-2.wmv"));
    EXPECT_EQ(FormatRecordFileName(folder.MakeNestedPathOfLength(231).c_str(), time).size(), 255u);
    EXPECT_TRUE(FormatRecordFileName(folder.MakeNestedPathOfLength(232).c_str(), time).empty());
}

// Each way a recording can be refused: the rebuild's message, no file, and a preview that
// still starts afterwards.
struct Refusal {
    const char* name;
    void (*arrange)(const ScratchDirectory& records);
};

class RefusedRecording : public RecordingTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedRecording, ShowsTheMessageAndLeavesTheProgramUsable) {
    OpenWithDevices();
    GetParam().arrange(m_records);
    Command(ID_RECORD);
    EXPECT_EQ(m_messages.back(), L"Error: Can not connect the capture device");
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    EXPECT_EQ(g_settings.videoResolution, 0);  // set by the record build even though it failed
    EXPECT_TRUE(FilesIn(m_records.path()).empty());
    EXPECT_TRUE(Enabled(ID_PREVIEW));
    EXPECT_TRUE(Enabled(ID_RECORD));
    if (std::string(GetParam().name) == "ElevenSystemProfiles") {  // profile 11 is not asked for
        EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kProfilesKey, L"LastLoadedIndex"), 0xDEADBEEFu);
    }

    m_messages.clear();
    Command(ID_PREVIEW);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_captureState, Previewing);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RefusedRecording,
    ::testing::Values(
        Refusal{"ElevenSystemProfiles",
                [](const ScratchDirectory&) {
                    SetDword(HKEY_CURRENT_USER, kProfilesKey, L"SystemProfileCount", 11);
                }},
        Refusal{"AMicrophoneThatCannotStartLeavesNoAviFile",
                [](const ScratchDirectory&) {
                    SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
                    SetDword(HKEY_CURRENT_USER, TestDeviceKey(2).c_str(), L"FailStart", 1);
                }},
        Refusal{"MissingRecordFolder",
                [](const ScratchDirectory& records) {
                    wcscpy(g_settings.recordPath, records.Child(L"gone").c_str());
                }},
        Refusal{"RecordFolderTooLong",
                [](const ScratchDirectory& records) {
                    // 232 characters leave no room for "\VideoYYYYMMDDhhmmss.wmv" in 255.
                    wcscpy(g_settings.recordPath, records.MakeNestedPathOfLength(232).c_str());
                }}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
