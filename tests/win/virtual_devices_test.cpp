// The virtual devices as the system device enumerator lists them and as the program's calls
// find them.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include "dshow/platform_interfaces.h"
#include "support/device_enumeration.h"
#include "virtual_devices.h"

#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

class VirtualDevicesTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(VirtualDevicesTest, DefaultDevicesAreListedWithTheirNames) {
    auto cameras = ListDevices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_EQ(cameras[0].friendlyName, L"Virtual Camera");
    EXPECT_EQ(cameras[0].displayName,
              SoftwareDeviceName(CLSID_VideoInputDeviceCategory, CLSID_DefaultVirtualCamera));

    auto microphones = ListDevices(CLSID_AudioInputDeviceCategory);
    ASSERT_EQ(microphones.size(), 1u);
    EXPECT_EQ(microphones[0].friendlyName, L"Virtual Microphone");
}

}  // namespace

namespace {

// {C0FFEE02-5D7E-4C39-9A61-0C2E7F3D8A22}, {C0FFEE03-...}
const CLSID kCamera = {0xC0FFEE02, 0x5D7E, 0x4C39, {0x9A, 0x61, 0x0C, 0x2E, 0x7F, 0x3D, 0x8A, 0x22}};
const CLSID kMicrophone = {0xC0FFEE03, 0x5D7E, 0x4C39, {0x9A, 0x61, 0x0C, 0x2E, 0x7F, 0x3D, 0x8A, 0x23}};

std::wstring RecordedString(const CLSID& clsid, const wchar_t* name) {
    wchar_t key[128], text[64], value[512] = L"";
    StringFromGUID2(clsid, text, 64);
    swprintf(key, 128, L"Software\\WebcamTest\\Devices\\%ls", text);
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

class VirtualDeviceCalls : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        VirtualCameraDescription camera{
            L"Call Test Camera", L"YUY2 640 480 333333;MJPG 1280 720 333333;I420 800 600 800000",
            FALSE, 0, 0};
        ASSERT_EQ(RegisterVirtualCamera(&kCamera, &camera), S_OK);
        ASSERT_EQ(RegisterVirtualMicrophone(&kMicrophone, L"Call Test Microphone",
                                            L"Microphone;Line In;CD"),
                  S_OK);
    }
    void TearDown() override {
        UnregisterVirtualDevice(&kCamera);
        UnregisterVirtualDevice(&kMicrophone);
        CoUninitialize();
    }
};

TEST_F(VirtualDeviceCalls, CameraOffersItsFormatsAndRecordsTheOneSet) {
    auto camera = BindDevice(CLSID_VideoInputDeviceCategory,
                             SoftwareDeviceName(CLSID_VideoInputDeviceCategory, kCamera));
    ASSERT_TRUE(camera);
    ComPtr<IPin> pin;
    ASSERT_EQ(camera->FindPin(L"0", &pin), S_OK);
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(pin->QueryInterface(IID_IAMStreamConfig, &config), S_OK);
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 128);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(config->GetStreamCaps(2, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    EXPECT_EQ(info->bmiHeader.biWidth, 800);
    EXPECT_EQ(info->AvgTimePerFrame, 800000);
    info->AvgTimePerFrame = 2000000;
    ASSERT_EQ(config->SetFormat(type), S_OK);
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);
    EXPECT_EQ(RecordedString(kCamera, L"SetFormat"), L"I420 800 600 2000000");

    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(camera.As(&properties), S_OK);
}

TEST_F(VirtualDeviceCalls, MicrophoneHasCaptureOutputAndMixerLinesThatRecordEnable) {
    auto microphone = BindDevice(CLSID_AudioInputDeviceCategory,
                                 SoftwareDeviceName(CLSID_AudioInputDeviceCategory, kMicrophone));
    ASSERT_TRUE(microphone);
    ComPtr<IPin> capture;
    ASSERT_EQ(microphone->FindPin(L"Capture", &capture), S_OK);
    ComPtr<IEnumPins> pins;
    microphone->EnumPins(&pins);
    ComPtr<IPin> pin;
    std::vector<std::wstring> inputs;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_INFO info{};
        pin->QueryPinInfo(&info);
        info.pFilter->Release();
        if (info.dir == PINDIR_INPUT) {
            inputs.push_back(info.achName);
            ComPtr<IAMAudioInputMixer> mixer;
            ASSERT_EQ(pin->QueryInterface(IID_IAMAudioInputMixer, &mixer), S_OK);
            mixer->put_Enable(inputs.size() == 2);
        }
        pin.Reset();
    }
    EXPECT_EQ(inputs, (std::vector<std::wstring>{L"Microphone", L"Line In", L"CD"}));
    EXPECT_EQ(RecordedString(kMicrophone, L"EnableCalls"), L"0=0;1=1;2=0");
}

TEST_F(VirtualDeviceCalls, CameraReportsALostDeviceToItsGraph) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)), S_OK);
    auto camera = BindDevice(CLSID_VideoInputDeviceCategory,
                             SoftwareDeviceName(CLSID_VideoInputDeviceCategory, kCamera));
    ASSERT_EQ(graph->AddFilter(camera.Get(), L"Video Capture"), S_OK);
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&builder)), S_OK);
    builder->SetFiltergraph(graph.Get());
    ComPtr<IBaseFilter> renderer;
    CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer));
    graph->AddFilter(renderer.Get(), L"Video Render");
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    renderer.Get()), S_OK);
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    graph.As(&control);
    graph.As(&events);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    SignalDeviceLost(&kCamera);

    bool lost = false;
    DWORD start = GetTickCount();
    while (!lost && GetTickCount() - start < 10000) {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events->GetEvent(&code, &p1, &p2, 100) == S_OK) {
            lost = code == EC_DEVICE_LOST;
            events->FreeEventParams(code, p1, p2);
        }
    }
    control->Stop();
    EXPECT_TRUE(lost);
}

}  // namespace
