// The capture engine in the test process with Wine's real graph and the virtual devices: the
// graph a preview builds, what is set on the devices, the failure messages, the control
// states, lost devices, device changes and suspend.
#include <windows.h>
#include <dbt.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "devices/device_catalogue.h"
#include "framework/modal_seam.h"
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

bool Has(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool ButtonEnabled(CZevuvArividDlg& window, UINT id) {
    return window.Toolbar().SendMessage(TB_GETSTATE, id) & TBSTATE_ENABLED;
}

// A camera layout previewed through one renderer ("vmr9", or absent: the GDI Video Renderer
// behind the RGB converter, Wine's choice).
struct LayoutCase {
    const wchar_t* format;
    int subtype;
    const wchar_t* renderer;
};

class PreviewGraph : public CaptureTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(PreviewGraph, ConnectsCameraTeeGrabberAndRendererAndConfiguresTheDevices) {
    const bool vmr9 = GetParam().renderer != nullptr;
    if (vmr9) SetString(HKEY_CURRENT_USER, kSettingsKey, L"PreviewRenderer", GetParam().renderer);
    Camera(1, L"Camera", GetParam().format);
    Microphone(2, L"Microphone", L"Microphone;Line In");
    Microphone(3, L"Other microphone", L"Microphone;Line In");
    OpenWindow();
    // The selected microphone by its name, with its second input line.
    int other = FindAudioDeviceByName(L"Other microphone");
    ASSERT_GE(other, 0);
    g_audioDeviceIndex = other;
    CopyName(g_audioDeviceName, L"Other microphone");
    g_audioInputIndex = 1;
    Command(ID_PREVIEW);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_EQ(g_captureState, Previewing);
    EXPECT_EQ(g_videoSubtype, GetParam().subtype);

    auto names = GraphFilterNames();
    for (const wchar_t* name : {L"Video Capture", L"Smart Tee", L"RirovirGrabber", L"Video Render",
                                L"Audio Capture"})
        EXPECT_TRUE(Has(names, name)) << std::string(name, name + wcslen(name));
    EXPECT_EQ(Has(names, L"AVI"), vmr9 && GetParam().subtype == 0);
    EXPECT_EQ(Has(names, L"RGB Converter"), !vmr9);
    EXPECT_EQ(ConnectedTo(L"Video Capture", L"0"), L"Smart Tee:Input");
    EXPECT_EQ(ConnectedTo(L"RirovirGrabber", L"In"), L"Smart Tee:Preview");
    if (vmr9) {
        EXPECT_EQ(ConnectedTo(L"RirovirGrabber", L"Out"), L"Video Render:VMR Input0");
    } else {
        EXPECT_EQ(ConnectedTo(L"RirovirGrabber", L"Out"), L"RGB Converter:In");
        EXPECT_EQ(ConnectedTo(L"RGB Converter", L"Out"), L"Video Render:In");
    }
    EXPECT_EQ(ConnectedTo(L"Audio Capture", L"Capture"), L"");  // only a recording connects it

    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), std::wstring(GetParam().format));
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13Value"), 2u);  // 60 Hz by default
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13DataLength"), 40u);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13InstanceLength"), 16u);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13InstanceMatches"), 1u);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13PropertyFlags"), 2u);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13Flags"), 1u);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13Capabilities"), 1u);
    EXPECT_EQ(DeviceRecord(3, L"EnableCalls"), L"0=0;1=1");
    EXPECT_EQ(DeviceRecord(2, L"EnableCalls"), L"<missing>");
    EXPECT_TRUE(ButtonEnabled(*m_window, ID_PREVIEW));
    EXPECT_TRUE(ButtonEnabled(*m_window, ID_RECORD));

    // Frames pass the grabber: a snapshot request is taken by the next frame.
    wcscpy(g_settings.capturePath, L"C:\\");
    g_snapshotRequested = 1;
    DWORD start = GetTickCount();
    while (g_snapshotRequested && GetTickCount() - start < 10000) PumpMessages(20, 100);
    EXPECT_EQ(g_snapshotRequested, 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PreviewGraph,
                         ::testing::Values(LayoutCase{L"YUY2 640 480 333333", 2, nullptr},
                                           LayoutCase{L"UYVY 640 480 333333", 3, L"vmr9"},
                                           LayoutCase{L"YV12 640 480 333333", 0, L"VMR9"},
                                           LayoutCase{L"YV12 640 480 333333", 0, nullptr},
                                           LayoutCase{L"I420 640 480 333333", 1, nullptr}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             std::wstring f = info.param.format;
                             return std::string(f.begin(), f.begin() + 4) +
                                    (info.param.renderer ? "_vmr9" : "_gdi");
                         });

TEST_F(CaptureTest, ThePreviewRendererValueChoosesOnlyWhenItIsOneOfTheTwoTexts) {
    struct Case {
        DWORD type;
        std::wstring text;
        bool vmr9;
    };
    const Case cases[] = {{REG_SZ, L"vmr9", true},          {REG_SZ, L"Vmr9", true},
                          {REG_SZ, L"gdi", false},          {REG_EXPAND_SZ, L"vmr9", false},
                          {REG_SZ, L"vmr9 ", false},        {REG_SZ, L"vmr", false},
                          {REG_SZ, std::wstring(300, L'v'), false}, {REG_DWORD, L"\x1", false}};
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.begin() + std::min<size_t>(c.text.size(), 8)));
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"PreviewRenderer", 0, c.type, reinterpret_cast<const BYTE*>(c.text.c_str()),
                       static_cast<DWORD>(c.type == REG_DWORD ? 4 : (c.text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        Command(ID_PREVIEW);
        ASSERT_EQ(g_captureState, Previewing);
        EXPECT_EQ(FilterClass(L"Video Render"), c.vmr9 ? CLSID_VideoMixingRenderer9 : CLSID_VideoRenderer);
    }
}

TEST_F(CaptureTest, I420GetsTheDecompressorButWineCannotRenderItWithTheVmr9) {
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"PreviewRenderer", L"vmr9");
    Camera(1, L"Camera", L"I420 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    std::vector<std::wstring> filtersAtFirstMessage;
    AfxModalSeam().messageBox = [&](HWND, LPCWSTR text, LPCWSTR caption, UINT) {
        if (m_messages.empty()) filtersAtFirstMessage = GraphFilterNames();
        m_messages.push_back(std::wstring(caption) + L": " + text);
        return IDOK;
    };
    Command(ID_PREVIEW);
    EXPECT_TRUE(Has(filtersAtFirstMessage, L"AVI"));  // the decompressor was in the graph
    EXPECT_EQ(g_videoSubtype, 1);  // known before the renderer's connection is tried
    // Wine has no I420 decompressor, so the renderer cannot be reached.
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: Can not connect!",
                                                     L"Error: Can not connect the capture device"}));
    EXPECT_EQ(g_captureState, Stopped);
}

TEST_F(CaptureTest, StoredResolutionAndPowerLineSettingsReachTheCamera) {
    Camera(1, L"Camera", L"YUY2 640 480 333333;YUY2 1280 720 333333;YUY2 800 600 800000");
    Microphone(2, L"Microphone", L"Microphone");
    std::wstring id = TestCameraId(1);
    SetString(HKEY_CURRENT_USER, kSettingsKey, id.c_str(), L"1280 x 720");
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"lightSource", 0);
    OpenWindow();
    Command(ID_PREVIEW);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 1280 720 333333");
    EXPECT_EQ(g_videoWidth, 1280);
    EXPECT_EQ(DeviceNumber(1, L"VideoProcAmp13Value"), 1u);  // 50 Hz

    // 800 x 600 at 12.5 frames a second is asked for at 5.
    SetString(HKEY_CURRENT_USER, kSettingsKey, id.c_str(), L"800 x 600");
    Command(ID_PREVIEW);
    EXPECT_EQ(DeviceRecord(1, L"SetFormat"), L"YUY2 800 600 2000000");
}

TEST_F(CaptureTest, AFailedConnectionIsReportedTwice) {
    Camera(1, L"Good camera", L"YUY2 640 480 333333");
    Camera(2, L"YVYU camera", L"YVYU 640 480 333333");
    Microphone(3, L"Microphone", L"Microphone");
    OpenWindow();
    // Select the camera that only speaks YVYU, which the grabber refuses.
    CopyName(g_videoDeviceID, TestCameraId(2).c_str());
    Command(ID_PREVIEW);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: Can not connect!",
                                                     L"Error: Can not connect the capture device"}));
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    EXPECT_TRUE(ButtonEnabled(*m_window, ID_PREVIEW));
}

TEST_F(CaptureTest, WithoutAMicrophoneTheRecordingHasThePictureAlone) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    OpenWindow();
    Command(ID_PREVIEW);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_EQ(g_captureState, Previewing);
    EXPECT_FALSE(Has(GraphFilterNames(), L"Audio Capture"));

    const wchar_t kWindowsMediaKey[] = L"Software\\WebcamTest\\WindowsMedia";
    for (bool windowsMedia : {true, false}) {
        SCOPED_TRACE(windowsMedia ? "WMV" : "AVI");
        if (!windowsMedia) SetDword(HKEY_CURRENT_USER, kWindowsMediaKey, L"Absent", 1);
        ScratchDirectory videos;
        wcscpy(g_settings.recordPath, videos.path().c_str());
        Command(ID_RECORD);
        EXPECT_TRUE(m_messages.empty());
        ASSERT_EQ(g_captureState, Recording);
        EXPECT_EQ(WindowText(m_window->m_hWnd).rfind(L"Webcam 1.2 - recording without sound 00:00:0", 0), 0u);
        PumpMessages(1500, 1500);
        Command(ID_STOP);
        EXPECT_EQ(WindowText(m_window->m_hWnd), L"Webcam 1.2");
        auto files = FilesIn(videos.path());
        ASSERT_EQ(files.size(), 1u);
        if (windowsMedia) {  // the profile without its audio stream, and the picture into it
            WriterReport report = ReadWriterReport(videos.Child(files[0]));
            EXPECT_EQ(report["profile.streams"], "1");
            EXPECT_EQ(report["profile.video.bitmap"], "640x480");
            EXPECT_EQ(report.count("audio.type"), 0u);
            EXPECT_GT(ReportNumber(report, "video.frames"), 20);
        } else {  // a playable file with one stream
            auto probe = ProbeStreams(videos.Child(files[0]));
            EXPECT_EQ(probe["stream0.codec_name"], "mjpeg") << probe["error"];
            EXPECT_GT(ProbeNumber(probe, "stream0.nb_read_packets"), 20);
            EXPECT_EQ(probe.count("stream1.codec_name"), 0u);
        }
    }
    DeleteKey(HKEY_CURRENT_USER, kWindowsMediaKey);
}

TEST_F(CaptureTest, ControlStatesAndTheSnapshotRequest) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    // Stop while stopped only enables the two buttons.
    m_window->Toolbar().SendMessage(TB_ENABLEBUTTON, ID_PREVIEW, FALSE);
    Command(ID_STOP);
    EXPECT_TRUE(ButtonEnabled(*m_window, ID_PREVIEW));
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_TRUE(m_messages.empty());

    // A request made while stopped stays pending until a graph runs; Preview drops it and
    // leaves record mode.
    ScratchDirectory pictures;
    wcscpy(g_settings.capturePath, pictures.path().c_str());
    g_snapshotRequested = 0;
    Command(ID_CAPTURE);
    EXPECT_EQ(g_snapshotRequested, 1);
    g_recordMode = 1;
    Command(ID_PREVIEW);
    EXPECT_EQ(g_recordMode, 0);
    EXPECT_EQ(g_captureState, Previewing);
    PumpMessages(1000, 1000);
    EXPECT_TRUE(FilesIn(pictures.path()).empty());

    // Stop from previewing tears down.
    Command(ID_STOP);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(CaptureTest, ALostCameraTearsDownAndRefreshesSilently) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    Camera(3, L"Second camera", L"YUY2 640 480 333333");
    CLSID lost = TestDeviceClsid(1);
    SignalDeviceLost(&lost);
    DWORD start = GetTickCount();
    while (g_captureState != Stopped && GetTickCount() - start < 10000) PumpMessages(20, 100);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
    EXPECT_EQ(g_videoDeviceCount, 2);  // the tables were filled again
    EXPECT_TRUE(m_messages.empty());
    // A notification after the teardown finds no event interface.
    EXPECT_EQ(static_cast<HRESULT>(SendMessageW(m_window->m_hWnd, WM_APP + 1, 0, 0)), E_POINTER);
}

TEST_F(CaptureTest, DeviceChangesRefreshAtOnceWhenStoppedAndLaterWhenRunning) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    g_deviceRescanPending = 0;
    Camera(3, L"Plugged in", L"YUY2 640 480 333333");
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(g_videoDeviceCount, 2);
    EXPECT_EQ(g_deviceRescanPending, 0);

    Command(ID_PREVIEW);
    Camera(4, L"Another", L"YUY2 640 480 333333");
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, 0x0018 /* other event */, 0);
    EXPECT_EQ(g_deviceRescanPending, 0);
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_EQ(g_deviceRescanPending, 1);
    EXPECT_EQ(g_videoDeviceCount, 2);  // the running graph is left alone
    EXPECT_EQ(g_captureState, Previewing);
    Command(ID_PREVIEW);  // the rebuild refreshes first, and the flag stays
    EXPECT_EQ(g_videoDeviceCount, 3);
    EXPECT_EQ(g_deviceRescanPending, 1);
}

TEST_F(CaptureTest, SuspendTearsTheGraphDown) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"Microphone", L"Microphone");
    OpenWindow();
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    SendMessageW(m_window->m_hWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(g_captureState, Previewing);
    SendMessageW(m_window->m_hWnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(g_captureState, Stopped);
    EXPECT_FALSE(g_pGraph);
}

}  // namespace
