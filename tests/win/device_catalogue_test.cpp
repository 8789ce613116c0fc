// The device catalogue filled from Wine's system device enumerator with virtual devices: which
// cameras and audio devices are listed, their resolutions and inputs, the selection, and the
// refresh after devices come and go.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "app/startup_settings.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "support/device_enumeration.h"
#include "support/registry.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

CLSID DeviceClsid(int n) {
    return {0xCA7A0000u + static_cast<unsigned>(n), 0x5D7E, 0x4C39,
            {0x9A, 0x61, 0x0C, 0x2E, 0x7F, 0x3D, 0x8A, 0x30}};
}

class DeviceCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        UnregisterAllVirtualDevices();
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override {
        UnregisterAllVirtualDevices();
        RegisterDefaultVirtualDevices();
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
        CoUninitialize();
    }
    void Camera(int n, const wchar_t* name, const wchar_t* formats, BOOL noStreamConfig = FALSE,
                DWORD capsSize = 0) {
        VirtualCameraDescription camera{name, formats, noStreamConfig, capsSize, 0};
        CLSID clsid = DeviceClsid(n);
        ASSERT_EQ(RegisterVirtualCamera(&clsid, &camera), S_OK);
    }
    void Microphone(int n, const wchar_t* name, const wchar_t* inputs) {
        CLSID clsid = DeviceClsid(n);
        ASSERT_EQ(RegisterVirtualMicrophone(&clsid, name, inputs), S_OK);
    }
    // The start-up fill of the main window.
    HRESULT StartUpFill() {
        ResetDeviceTables();
        EnumerationObjects objects;
        HRESULT hr = EnumerateDevices(objects);
        SelectFirstDevices();
        return hr;
    }
    const VideoDeviceInfo* CameraNamed(const wchar_t* name) {
        for (int i = 0; i < g_videoDeviceCount; ++i)
            if (std::wstring(g_videoDevices[i].friendlyName) == name) return &g_videoDevices[i];
        return nullptr;
    }
    std::vector<std::pair<int, int>> Resolutions(const VideoDeviceInfo& camera) {
        std::vector<std::pair<int, int>> list;
        for (int i = 0; i < camera.resolutionCount; ++i)
            list.emplace_back(camera.widths[i], camera.heights[i]);
        return list;
    }
};

TEST_F(DeviceCatalogueTest, ResolutionsAreDistinctSortedAndFromAcceptedFormatsOnly) {
    Camera(1, L"Sizes", L"YUY2 1280 720 333333;YUY2 640 480 333333;I420 640 480 333333;"
                        L"YUY2 640 360 333333;UYVY 320 240 333333;MJPG 1920 1080 333333;"
                        L"RGB24 800 600 333333;YVYU 1024 768 333333;NV12 640 480 333333");
    Camera(2, L"Compressed only", L"MJPG 1280 720 333333;RGB24 640 480 333333;RGB32 320 240 333333");
    Camera(3, L"Unknown only", L"YVYU 640 480 333333");
    EXPECT_EQ(StartUpFill(), E_FAIL);  // no audio device: an empty category
    ASSERT_EQ(g_videoDeviceCount, 2);
    const VideoDeviceInfo* sizes = CameraNamed(L"Sizes");
    ASSERT_TRUE(sizes);
    EXPECT_EQ(Resolutions(*sizes), (std::vector<std::pair<int, int>>{
                                       {320, 240}, {640, 360}, {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}}));
    EXPECT_EQ(std::wstring(sizes->deviceId),
              SoftwareDeviceName(CLSID_VideoInputDeviceCategory, DeviceClsid(1)));
    const VideoDeviceInfo* compressed = CameraNamed(L"Compressed only");
    ASSERT_TRUE(compressed);
    EXPECT_EQ(Resolutions(*compressed), (std::vector<std::pair<int, int>>{{320, 240}, {640, 480}, {1280, 720}}));
    EXPECT_EQ(CameraNamed(L"Unknown only"), nullptr);
}

TEST_F(DeviceCatalogueTest, EveryCapabilityCountsAsFarAsTheListHasRoom) {
    // A webcam offering 25 sizes in YUY2 and again in MJPG, and a size of its own last.
    std::wstring formats;
    for (const wchar_t* layout : {L"YUY2", L"MJPG"})
        for (int i = 0; i < 25; ++i) formats += std::wstring(layout) + L" " + std::to_wstring(1000 - i * 10) + L" 480 333333;";
    formats += L"MJPG 1920 1080 333333;";
    // And one offering 45 sizes: the list holds the first 40 the camera reports.
    std::wstring many;
    for (int i = 0; i < 45; ++i) many += L"YUY2 " + std::to_wstring(1000 - i * 10) + L" 480 333333;";
    Camera(1, L"Webcam", formats.c_str());
    Camera(2, L"Many", many.c_str());
    EXPECT_EQ(StartUpFill(), E_FAIL);  // no audio device: an empty category
    ASSERT_EQ(g_videoDeviceCount, 2);
    const VideoDeviceInfo* webcam = CameraNamed(L"Webcam");
    ASSERT_TRUE(webcam);
    EXPECT_EQ(webcam->resolutionCount, 26);
    EXPECT_EQ(webcam->widths[25], 1920);  // the 51st capability
    const VideoDeviceInfo* full = CameraNamed(L"Many");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->resolutionCount, 40);
    EXPECT_EQ(full->widths[0], 610);   // the 40th capability, sorted first
    EXPECT_EQ(full->widths[39], 1000);
}

TEST_F(DeviceCatalogueTest, ACameraWithoutStreamConfigListsItsMediaTypesOtherCapsSizesAreLeftOut) {
    Camera(1, L"No config", L"YUY2 1280 720 333333;YUY2 640 480 333333", TRUE);
    Camera(2, L"Small caps", L"YUY2 640 480 333333", FALSE, 64);
    Camera(3, L"Good", L"YUY2 640 480 333333");
    EXPECT_EQ(StartUpFill(), E_FAIL);  // no audio device: an empty category
    ASSERT_EQ(g_videoDeviceCount, 2);
    EXPECT_STREQ(g_videoDevices[0].friendlyName, L"No config");
    EXPECT_EQ(g_videoDevices[0].resolutionCount, 2);
    EXPECT_EQ(g_videoDevices[0].widths[1], 1280);
    EXPECT_STREQ(g_videoDevices[1].friendlyName, L"Good");
}

TEST_F(DeviceCatalogueTest, AudioDevicesNeedInputsWhichAreListedInPinOrder) {
    Camera(1, L"Camera", L"YUY2 640 480 333333");
    Microphone(2, L"No inputs", L"");
    Microphone(3, L"Mixer", L"Microphone;Line In;CD Audio");
    ASSERT_EQ(StartUpFill(), S_OK);
    ASSERT_EQ(g_audioDeviceCount, 1);
    EXPECT_STREQ(g_audioDevices[0].friendlyName, L"Mixer");
    ASSERT_EQ(g_audioDevices[0].inputCount, 3);
    EXPECT_STREQ(g_audioDevices[0].inputNames[0], L"Microphone");
    EXPECT_STREQ(g_audioDevices[0].inputNames[2], L"CD Audio");
    EXPECT_STREQ(g_audioDeviceName, L"Mixer");
}

TEST_F(DeviceCatalogueTest, NoCameraLeavesBothTablesEmpty) {
    Microphone(1, L"Lonely microphone", L"Microphone");
    EXPECT_EQ(StartUpFill(), E_FAIL);
    EXPECT_EQ(g_videoDeviceCount, 0);
    EXPECT_EQ(g_audioDeviceCount, 0);  // the audio category is not even looked at
    EXPECT_STREQ(g_videoDeviceName, L"");
    EXPECT_STREQ(g_videoDeviceID, L"");
    EXPECT_STREQ(g_audioDeviceName, L"");
    EXPECT_EQ(g_videoDevices[0].resolutionCount, 0);
}

TEST_F(DeviceCatalogueTest, StoredDevicesAreSelectedAndARefreshFallsBackWhenTheyGo) {
    Camera(1, L"First camera", L"YUY2 640 480 333333");
    Camera(2, L"Second camera", L"YUY2 320 240 333333");
    Microphone(3, L"Twin", L"Microphone");
    Microphone(4, L"Twin", L"Line In");
    Microphone(5, L"Other", L"Microphone;Line In");
    std::wstring second = SoftwareDeviceName(CLSID_VideoInputDeviceCategory, DeviceClsid(2));
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", second);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"audioDeviceName", L"Twin");
    AfxModalSeam().answerModal = [](UINT, INT_PTR* r) { *r = IDCANCEL; return true; };

    ASSERT_EQ(StartUpFill(), S_OK);
    LoadSettings([] {});
    EXPECT_STREQ(g_videoDeviceName, L"Second camera");
    EXPECT_EQ(std::wstring(g_videoDeviceID), second);
    int twin = FindAudioDeviceByName(L"Twin");
    EXPECT_EQ(g_audioDeviceIndex, twin);  // the first of the two with that name
    EXPECT_STREQ(g_audioDevices[twin].inputNames[0], L"Microphone");

    g_audioInputIndex = 1;
    CLSID gone = DeviceClsid(2);
    UnregisterVirtualDevice(&gone);
    RefreshDeviceSelection();
    EXPECT_EQ(g_videoDeviceCount, 1);
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_STREQ(g_videoDeviceName, L"First camera");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID"), second);  // kept
    EXPECT_EQ(g_audioInputIndex, 1);  // the stored audio device is still there

    CLSID twinA = DeviceClsid(3), twinB = DeviceClsid(4);
    UnregisterVirtualDevice(&twinA);
    UnregisterVirtualDevice(&twinB);
    RefreshDeviceSelection();
    EXPECT_EQ(g_audioDeviceIndex, 0);
    EXPECT_EQ(g_audioInputIndex, 0);
    EXPECT_STREQ(g_audioDeviceName, L"Other");
    AfxResetModalSeam();
}

TEST_F(DeviceCatalogueTest, TheMainWindowListsTheDevicesAndRestoresTheStoredOnes) {
    Camera(1, L"First camera", L"YUY2 640 480 333333");
    Camera(2, L"Second camera", L"YUY2 640 480 333333");
    Microphone(3, L"First microphone", L"Microphone");
    Microphone(4, L"Second microphone", L"Microphone");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID",
              SoftwareDeviceName(CLSID_VideoInputDeviceCategory, DeviceClsid(2)));
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"audioDeviceName", L"Second microphone");
    CZevuvArividDlg window;
    ASSERT_TRUE(window.Create(IDD_ZEVUVARIVID_DIALOG));
    EXPECT_EQ(g_videoDeviceCount, 2);
    EXPECT_EQ(g_audioDeviceCount, 2);
    EXPECT_STREQ(g_videoDeviceName, L"Second camera");
    EXPECT_STREQ(g_audioDeviceName, L"Second microphone");
}

TEST_F(DeviceCatalogueTest, SurplusDevicesInputsAndLongNamesStayOutsideTheTables) {
    for (int i = 0; i < 21; ++i)
        Camera(10 + i, (L"Camera " + std::to_wstring(i)).c_str(), L"YUY2 640 480 333333");
    std::wstring inputs;
    for (int i = 0; i < 41; ++i) inputs += L"Input " + std::to_wstring(i) + L";";
    std::wstring longName(300, L'n');
    Microphone(40, longName.c_str(), inputs.c_str());
    ASSERT_EQ(StartUpFill(), S_OK);
    EXPECT_EQ(g_videoDeviceCount, 20);
    ASSERT_EQ(g_audioDeviceCount, 1);
    EXPECT_EQ(g_audioDevices[0].inputCount, 40);
    EXPECT_EQ(std::wstring(g_audioDevices[0].friendlyName), std::wstring(255, L'n'));
    EXPECT_STREQ(g_audioDevices[0].inputNames[39], L"Input 39");
}

}  // namespace
