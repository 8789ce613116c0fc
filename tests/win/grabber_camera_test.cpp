// The frame grabber in Wine's real graph: virtual camera -> Smart Tee -> grabber -> Video
// Mixing Renderer 9, for each of the four layouts. Wine has no I420 decompressor, so a test
// sink of ours stands in for the renderer there.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstdlib>

#include "support/device_enumeration.h"
#include "support/grabber_harness.h"
#include "support/ui_helpers.h"
#include "test_pattern.h"
#include "virtual_devices.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

// {C0FFEE01-5D7E-4C39-9A61-0C2E7F3D8A21}
const CLSID kCamera = {0xC0FFEE01, 0x5D7E, 0x4C39, {0x9A, 0x61, 0x0C, 0x2E, 0x7F, 0x3D, 0x8A, 0x21}};

struct LayoutCase {
    const wchar_t* format;
    PixelLayout layout;
    bool vmr;  // Wine's renderer takes it
};

// Close enough to a colour for a renderer whose colour conversion is its own.
bool Near(unsigned pixel, unsigned rgb) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((pixel >> shift) & 255) - int((rgb >> shift) & 255)) > 40) return false;
    return true;
}

// The renderer's own window shows the camera's colour bars: white first, red sixth.
void ExpectBarsOnTheRendererWindow(IBaseFilter* renderer) {
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(renderer->QueryInterface(IID_IVideoWindow, &window), S_OK);
    window->put_Visible(OATRUE);
    window->SetWindowPosition(0, 0, 640, 480);
    HWND shown = WaitForWindow(L"ActiveMovie Window");
    ASSERT_NE(shown, nullptr);
    auto barsShown = [](const ScreenPixels& image) {
        if (image.width < 64 || image.height < 64) return false;
        int y = image.height / 4;
        return Near(image.At(image.width / 16, y), 0xFFFFFF) &&
               Near(image.At(image.width * 11 / 16, y), 0xFF0000);
    };
    ScreenPixels image = CaptureClientWhen(shown, barsShown);
    SaveScreenshot(image, L"renderer-window");
    EXPECT_TRUE(barsShown(image));
}

class GrabberCameraGraph : public ::testing::TestWithParam<LayoutCase> {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        VirtualCameraDescription camera{L"Grabber Test Camera", GetParam().format, FALSE, 0, 0};
        ASSERT_EQ(RegisterVirtualCamera(&kCamera, &camera), S_OK);
        ResetCallbackFrames();
    }
    void TearDown() override {
        if (m_control) m_control->Stop();
        m_control.Reset();
        m_graph.Reset();
        UnregisterVirtualDevice(&kCamera);
        CoUninitialize();
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
};

TEST_P(GrabberCameraGraph, FramesFromTheCameraReachTheCallbackAndTheRenderer) {
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&m_graph)),
              S_OK);
    m_graph.As(&m_control);
    ComPtr<IBaseFilter> camera =
        BindDevice(CLSID_VideoInputDeviceCategory,
                   SoftwareDeviceName(CLSID_VideoInputDeviceCategory, kCamera));
    ASSERT_TRUE(camera);
    ComPtr<IBaseFilter> tee, renderer, grabber = CreateGrabber();
    ASSERT_EQ(CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&tee)), S_OK);
    CTestSink* sink = nullptr;
    if (GetParam().vmr) {
        ASSERT_EQ(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&renderer)),
                  S_OK);
    } else {
        sink = new CTestSink(SinkOptions{});
        sink->NonDelegatingQueryInterface(IID_PPV_ARGS(&renderer));
    }
    ComPtr<IGrabberSample> control;
    grabber.As(&control);
    control->SetFrameCallback(&GrabberCallback);

    ASSERT_EQ(m_graph->AddFilter(camera.Get(), L"Video Capture"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(tee.Get(), L"Smart Tee"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(renderer.Get(), L"Video Render"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(grabber.Get(), L"RirovirGrabber"), S_OK);

    ComPtr<IPin> cameraOut, teeIn, grabberOut;
    ASSERT_EQ(camera->FindPin(L"0", &cameraOut), S_OK);
    ASSERT_EQ(tee->FindPin(L"Input", &teeIn), S_OK);
    ASSERT_EQ(m_graph->Connect(cameraOut.Get(), teeIn.Get()), S_OK);
    ASSERT_EQ(m_graph->Connect(PinOf(tee.Get(), PINDIR_OUTPUT, 1).Get(),
                               PinOf(grabber.Get(), PINDIR_INPUT, 0).Get()),
              S_OK);
    ASSERT_EQ(grabber->FindPin(L"Out", &grabberOut), S_OK);
    ASSERT_EQ(m_graph->Connect(grabberOut.Get(), PinOf(renderer.Get(), PINDIR_INPUT, 0).Get()), S_OK);

    ASSERT_TRUE(SUCCEEDED(m_control->Run()));
    DWORD start = GetTickCount();
    while (CallbackFrames().size() < 3 && GetTickCount() - start < 10000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
    if (GetParam().vmr) ExpectBarsOnTheRendererWindow(renderer.Get());
    m_control->Stop();

    auto frames = CallbackFrames();
    ASSERT_GE(frames.size(), 3u);
    std::vector<uint8_t> expected(PatternFrameBytes(GetParam().layout, 640, 480));
    FillPatternFrame(GetParam().layout, 640, 480, expected.data(), expected.size());
    EXPECT_EQ(frames[0].width, 640);
    EXPECT_EQ(frames[0].height, 480);
    EXPECT_EQ(static_cast<size_t>(frames[0].size), expected.size());
    EXPECT_TRUE(frames[2].bytes == std::vector<BYTE>(expected.begin(), expected.end()));

    if (sink) {
        EXPECT_GE(sink->Received().size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GrabberCameraGraph,
    ::testing::Values(LayoutCase{L"YUY2 640 480 333333", PixelLayout::Yuy2, true},
                      LayoutCase{L"UYVY 640 480 333333", PixelLayout::Uyvy, true},
                      LayoutCase{L"YV12 640 480 333333", PixelLayout::Yv12, true},
                      LayoutCase{L"I420 640 480 333333", PixelLayout::I420, false}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
        return std::string(LayoutName(info.param.layout));
    });

}  // namespace
