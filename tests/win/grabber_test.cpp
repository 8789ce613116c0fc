// The frame grabber in a real filter graph between a test source and a test sink: per-frame
// callback and copy, renderer pitch, time stamps, discontinuities, stream samples, the
// one-frame grab, and the control interface.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <numeric>
#include <thread>
#include <vector>

#include "dshow/platform_interfaces.h"
#include "support/grabber_harness.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

const DWORD kYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');
const DWORD kUyvy = MAKEFOURCC('U', 'Y', 'V', 'Y');
const DWORD kYv12 = MAKEFOURCC('Y', 'V', '1', '2');
const DWORD kI420 = MAKEFOURCC('I', '4', '2', '0');

std::vector<BYTE> Ramp(size_t size) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 640);
    return bytes;
}

class GrabberTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(GrabberTest, CallbackSeesEachFrameWithItsSizeAndBytes) {
    struct Case {
        DWORD fourcc;
        int bytes;
    };
    for (Case c : {Case{kYuy2, 640 * 480 * 2}, Case{kUyvy, 640 * 480 * 2},
                   Case{kYv12, 640 * 480 * 3 / 2}, Case{kI420, 640 * 480 * 3 / 2}}) {
        GrabberHarness harness;
        ASSERT_EQ(harness.Build(VideoType(c.fourcc, 640, 480), SinkOptions{}), S_OK);
        std::vector<BYTE> frame = Ramp(static_cast<size_t>(c.bytes));
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(harness.Push({frame.data(), c.bytes, true, true, i * 333333}), S_OK);

        auto frames = CallbackFrames();
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(frames[0].width, 640);
        EXPECT_EQ(frames[0].height, 480);
        EXPECT_EQ(frames[0].size, c.bytes);
        EXPECT_EQ(frames[2].bytes, frame);
        auto received = harness.Sink()->Received();
        ASSERT_EQ(received.size(), 3u);
        EXPECT_EQ(received[1].data, frame);  // copied unchanged at equal pitch
        EXPECT_NE(received[1].identity, harness.Source()->LastSample());  // a copy, not the input
        GUID subtype{};
        harness.Grabber()->GetInputSubtype(&subtype);
        EXPECT_EQ(subtype.Data1, c.fourcc);
    }
}

TEST_F(GrabberTest, RendererAskingForAWiderPitchGetsRowsCopiedWithItAndUpstreamLearnsOfIt) {
    GrabberHarness harness;
    SinkOptions options;
    options.widerFirstBuffer = 704;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 640, 480), options), S_OK);
    std::vector<BYTE> frame = Ramp(640 * 480 * 2);
    ASSERT_EQ(harness.Push({frame.data(), 640 * 480 * 2}), S_OK);

    auto received = harness.Sink()->Received();
    ASSERT_EQ(received.size(), 1u);
    ASSERT_GE(received[0].data.size(), 704u * 480 * 2);
    for (int row : {0, 1, 240, 479}) {
        const BYTE* out = received[0].data.data() + row * 704 * 2;
        const BYTE* in = frame.data() + row * 640 * 2;
        ASSERT_TRUE(std::equal(in, in + 640 * 2, out)) << "row " << row;
    }

    // The next buffer handed upstream carries the renderer's type; a frame in that type then
    // passes as one block.
    std::vector<BYTE> wide = Ramp(704 * 480 * 2);
    ASSERT_EQ(harness.Push({wide.data(), 704 * 480 * 2}), S_OK);
    const CMediaType& announced = harness.Source()->AnnouncedType();
    ASSERT_EQ(announced.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(announced.pbFormat)->bmiHeader.biWidth, 704);
    received = harness.Sink()->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].data, wide);
    LONG width = 0, height = 0;
    harness.Grabber()->GetFrameSize(&width, &height);
    EXPECT_EQ(width, 704);
    auto frames = CallbackFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].width, 704);
    EXPECT_EQ(frames[1].size, 704 * 480 * 2);
}

TEST_F(GrabberTest, FramesShorterThanTheirFormatAreNeverReadPastTheirEnd) {
    GrabberHarness harness;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 640, 480), SinkOptions{}), S_OK);
    std::vector<BYTE> frame = Ramp(1000);
    ASSERT_EQ(harness.Push({frame.data(), 1000}), S_OK);
    auto frames = CallbackFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size, 1000);  // bounded by the sample's real length
    EXPECT_EQ(frames[0].bytes, frame);
}

TEST_F(GrabberTest, PlanarFramesAreCopiedPlaneByPlaneAtTheWiderPitch) {
    GrabberHarness harness;
    SinkOptions options;
    options.widerFirstBuffer = 704;
    ASSERT_EQ(harness.Build(VideoType(kYv12, 640, 480), options), S_OK);
    std::vector<BYTE> frame = Ramp(640 * 480 * 3 / 2);
    ASSERT_EQ(harness.Push({frame.data(), 640 * 480 * 3 / 2}), S_OK);

    auto received = harness.Sink()->Received();
    ASSERT_EQ(received.size(), 1u);
    const BYTE* out = received[0].data.data();
    ASSERT_GE(received[0].data.size(), 704u * 480 * 3 / 2);
    // Y rows at pitch 704, then each chroma plane's rows at pitch 352.
    for (int row : {0, 479})
        EXPECT_TRUE(std::equal(frame.data() + row * 640, frame.data() + row * 640 + 640,
                               out + row * 704));
    for (int plane = 0; plane < 2; ++plane) {
        const BYTE* in = frame.data() + 640 * 480 + plane * 320 * 240;
        const BYTE* to = out + 704 * 480 + plane * 352 * 240;
        for (int row : {0, 1, 239})
            EXPECT_TRUE(std::equal(in + row * 320, in + row * 320 + 320, to + row * 352))
                << "plane " << plane << " row " << row;
    }
}

TEST_F(GrabberTest, NonKeyFramesLoseTheirTimeStampsOnlyWhenARendererIsDownstream) {
    for (bool renderer : {false, true}) {
        GrabberHarness harness;
        SinkOptions options;
        options.posesAsVmr = renderer;
        ASSERT_EQ(harness.Build(VideoType(kYuy2, 320, 240), options), S_OK);
        std::vector<BYTE> frame = Ramp(320 * 240 * 2);
        ASSERT_EQ(harness.Push({frame.data(), 320 * 240 * 2, true, true, 1000}), S_OK);
        ASSERT_EQ(harness.Push({frame.data(), 320 * 240 * 2, false, true, 2000}), S_OK);

        auto received = harness.Sink()->Received();
        ASSERT_EQ(received.size(), 2u);
        EXPECT_TRUE(received[0].timed);
        EXPECT_EQ(received[0].start, 1000);
        EXPECT_TRUE(received[0].syncPoint);
        EXPECT_FALSE(received[1].syncPoint);
        EXPECT_EQ(received[1].timed, !renderer) << "renderer " << renderer;
        EXPECT_FALSE(received[0].discontinuity);
    }
}

TEST_F(GrabberTest, MixerPinDownstreamMarksEveryOutputAsADiscontinuity) {
    GrabberHarness harness;
    SinkOptions options;
    options.mixerPin = true;
    ASSERT_EQ(harness.Build(VideoType(kUyvy, 320, 240), options), S_OK);
    std::vector<BYTE> frame = Ramp(320 * 240 * 2);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(harness.Push({frame.data(), 320 * 240 * 2, i == 0}), S_OK);
    auto received = harness.Sink()->Received();
    ASSERT_EQ(received.size(), 3u);
    for (const auto& sample : received) EXPECT_TRUE(sample.discontinuity);
    EXPECT_TRUE(received[0].timed);   // a key frame keeps its time
    EXPECT_FALSE(received[1].timed);  // the mixer pin counts as a renderer
}

TEST_F(GrabberTest, StreamSamplesThatAreNotMediaBypassTheCallbackAndTheCopy) {
    GrabberHarness harness;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 320, 240), SinkOptions{}), S_OK);
    std::vector<BYTE> frame = Ramp(320 * 240 * 2);
    CTestSource::Push control{frame.data(), 320 * 240 * 2};
    control.streamId = AM_STREAM_CONTROL;
    ASSERT_EQ(harness.Push(control), S_OK);

    EXPECT_TRUE(CallbackFrames().empty());
    auto received = harness.Sink()->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].identity, harness.Source()->LastSample());  // delivered unchanged
}

TEST_F(GrabberTest, OneFrameGrabQueryGrabAndTimeout) {
    GrabberHarness harness;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 320, 240), SinkOptions{}), S_OK);
    LONG size = 0;
    std::vector<BYTE> grabbed(320 * 240 * 2);
    // A grab before any query has no buffer to fill.
    size = static_cast<LONG>(grabbed.size());
    EXPECT_EQ(harness.Grabber()->GrabNextFrame(&size, grabbed.data(), nullptr), E_FAIL);

    size = 0;
    ASSERT_EQ(harness.Grabber()->GrabNextFrame(&size, nullptr, nullptr), S_OK);
    EXPECT_EQ(size, 320 * 240 * 2);

    // No frame within 1000 ms: E_FAIL, and the request stays armed.
    EXPECT_EQ(harness.Grabber()->GrabNextFrame(&size, grabbed.data(), nullptr), E_FAIL);
    std::vector<BYTE> frame = Ramp(320 * 240 * 2);
    ASSERT_EQ(harness.Push({frame.data(), 320 * 240 * 2}), S_OK);
    // That frame filled the buffer already: the next grab returns it at once, and writes no
    // more than the caller's size.
    std::vector<BYTE> shorter(1000 + 16, 0xA5);
    LONG shortSize = 1000;
    ASSERT_EQ(harness.Grabber()->GrabNextFrame(&shortSize, shorter.data(), nullptr), S_OK);
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 1000, shorter.begin()));
    EXPECT_EQ(std::vector<BYTE>(shorter.begin() + 1000, shorter.end()), std::vector<BYTE>(16, 0xA5));

    // A grab waiting while a frame arrives from another thread.
    std::vector<BYTE> second = Ramp(320 * 240 * 2);
    second[0] ^= 0xFF;
    std::thread pusher([&] {
        Sleep(100);
        harness.Push({second.data(), 320 * 240 * 2});
    });
    HRESULT hr = harness.Grabber()->GrabNextFrame(&size, grabbed.data(), nullptr);
    pusher.join();
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(grabbed, second);
}

TEST_F(GrabberTest, ControlInterfaceResults) {
    ComPtr<IBaseFilter> filter = CreateGrabber();
    ASSERT_TRUE(filter);
    ComPtr<IGrabberSample> grabber;
    ASSERT_EQ(filter.As(&grabber), S_OK);

    LONG width = 0, height = 0;
    grabber->GetFrameSize(&width, &height);
    EXPECT_EQ(width, 704);
    EXPECT_EQ(height, 576);
    EXPECT_EQ(grabber->SetFrameSize(240, 320), E_NOTIMPL);  // height first
    grabber->GetFrameSize(&width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(grabber->Reserved1(0), S_OK);
    EXPECT_EQ(grabber->Reserved2(0), E_NOTIMPL);

    std::vector<BYTE> buffer(1000);
    EXPECT_EQ(grabber->UseInputBuffer({2, 1000, 1, 0}, buffer.data()), E_INVALIDARG);
    EXPECT_EQ(grabber->UseInputBuffer({1, 1000, 1, 0}, nullptr), E_POINTER);
    EXPECT_EQ(grabber->UseInputBuffer({1, 1000, 1, 0}, buffer.data()), S_OK);
    // The private allocator grants exactly that buffer; a request beyond it changes nothing.
    ComPtr<IMemInputPin> input;
    ASSERT_EQ(PinOf(filter.Get(), PINDIR_INPUT, 0).As(&input), S_OK);
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(input->GetAllocator(&allocator), S_OK);
    ALLOCATOR_PROPERTIES smaller{1, 500, 1, 0}, larger{1, 2000, 1, 0}, actual{}, now{};
    ASSERT_EQ(allocator->SetProperties(&smaller, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, 1000);
    EXPECT_EQ(allocator->SetProperties(&larger, &actual), E_FAIL);
    allocator->GetProperties(&now);
    EXPECT_EQ(now.cbBuffer, 1000);
    EXPECT_EQ(now.cBuffers, 1);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(grabber->GetInputConnectionType(&type), VFW_E_NOT_CONNECTED);
}

TEST_F(GrabberTest, UseInputBufferRefusesAConnectedFilter) {
    GrabberHarness harness;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 320, 240), SinkOptions{}), S_OK);
    std::vector<BYTE> buffer(320 * 240 * 2);
    EXPECT_EQ(harness.Grabber()->UseInputBuffer({1, 320 * 240 * 2, 1, 0}, buffer.data()),
              E_INVALIDARG);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(harness.Grabber()->GetInputConnectionType(&type), S_OK);
    EXPECT_EQ(type.subtype.Data1, kYuy2);
    CoTaskMemFree(type.pbFormat);
}

TEST_F(GrabberTest, TypeAcceptance) {
    ComPtr<IBaseFilter> filter = CreateGrabber();
    ComPtr<IPin> input = PinOf(filter.Get(), PINDIR_INPUT, 0);
    ASSERT_TRUE(input);
    // The grabber refuses connections outside a graph, so the types are judged by a pin that
    // asks the grabber's input pin to receive a connection from it.
    CTestSource* stub = new CTestSource(VideoType(kYuy2, 8, 8));
    ComPtr<IBaseFilter> stubFilter;
    stub->NonDelegatingQueryInterface(IID_PPV_ARGS(&stubFilter));

    for (DWORD fourcc : {kYuy2, kUyvy, kYv12, kI420, DWORD(MAKEFOURCC('N', 'V', '1', '2'))}) {
        CMediaType accepted = VideoType(fourcc, 640, 480);
        EXPECT_EQ(input->QueryAccept(&accepted), S_OK);
    }
    for (const GUID* subtype : {&MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32}) {
        CMediaType rgb = VideoType(kYuy2, 640, 480);
        rgb.SetSubtype(subtype);
        EXPECT_EQ(input->QueryAccept(&rgb), S_OK);
    }
    for (DWORD fourcc : {DWORD(MAKEFOURCC('M', 'J', 'P', 'G')), DWORD(MAKEFOURCC('Y', 'V', 'Y', 'U'))}) {
        CMediaType refused = VideoType(fourcc, 640, 480);
        EXPECT_EQ(input->QueryAccept(&refused), S_FALSE);
        EXPECT_EQ(input->ReceiveConnection(stub->OutputPin(), &refused), E_FAIL);
    }
    CMediaType audio(&MEDIATYPE_Audio);
    audio.SetSubtype(&MEDIASUBTYPE_PCM);
    EXPECT_EQ(input->ReceiveConnection(stub->OutputPin(), &audio), VFW_E_INVALIDMEDIATYPE);
}

TEST_F(GrabberTest, FactoryPinsAndNames) {
    ComPtr<IClassFactory> factory;
    CLSID unknown = CLSID_RirovirGrabber;
    unknown.Data1 ^= 1;
    EXPECT_EQ(DllGetClassObject(unknown, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(DllGetClassObject(CLSID_RirovirGrabber, IID_IUnknown, &factory), S_OK);

    ComPtr<IBaseFilter> filter = CreateGrabber();
    CLSID clsid{};
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_RirovirGrabber);
    struct Expected {
        PIN_DIRECTION direction;
        const wchar_t* name;
        const wchar_t* id;
    };
    for (Expected e : {Expected{PINDIR_INPUT, L"Input", L"In"},
                       Expected{PINDIR_OUTPUT, L"Output", L"Out"}}) {
        ComPtr<IPin> pin = PinOf(filter.Get(), e.direction, 0);
        ASSERT_TRUE(pin);
        PIN_INFO info{};
        pin->QueryPinInfo(&info);
        EXPECT_STREQ(info.achName, e.name);
        info.pFilter->Release();
        LPWSTR id = nullptr;
        pin->QueryId(&id);
        EXPECT_STREQ(id, e.id);
        CoTaskMemFree(id);
        ComPtr<IPin> found;
        EXPECT_EQ(filter->FindPin(e.id, &found), S_OK);
        EXPECT_EQ(found.Get(), pin.Get());
    }
}

TEST_F(GrabberTest, ReferencesGoBackToZeroWhenTheGraphGoes) {
    // Our own references, beyond the graph's: the grabber, its neighbours (whose pins it asked
    // for their filters) and the renderer's allocator it took for its output.
    IUnknown* held[4] = {};
    {
        GrabberHarness harness;
        SinkOptions renderer;
        renderer.posesAsVmr = true;
        ASSERT_EQ(harness.Build(VideoType(kYuy2, 320, 240), renderer), S_OK);
        std::vector<BYTE> frame = Ramp(320 * 240 * 2);
        harness.Push({frame.data(), 320 * 240 * 2});
        ComPtr<IUnknown> grabber, source, sink;
        harness.Grabber()->QueryInterface(IID_PPV_ARGS(&grabber));
        harness.Source()->NonDelegatingQueryInterface(IID_PPV_ARGS(&source));
        harness.Sink()->NonDelegatingQueryInterface(IID_PPV_ARGS(&sink));
        ComPtr<IMemInputPin> sinkInput;
        ComPtr<IMemAllocator> allocator;
        ASSERT_EQ(harness.Sink()->InputPin()->QueryInterface(IID_PPV_ARGS(&sinkInput)), S_OK);
        ASSERT_EQ(sinkInput->GetAllocator(&allocator), S_OK);
        held[0] = grabber.Detach();
        held[1] = source.Detach();
        held[2] = sink.Detach();
        held[3] = allocator.Detach();
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(held[i]->Release(), 0u) << i;
}

TEST_F(GrabberTest, ARendererChangingTheSubtypeKeepsUpstreamsAllocatorThroughStopAndRun) {
    GrabberHarness harness;
    SinkOptions options;
    options.firstBufferSubtype = kUyvy;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 640, 480), options), S_OK);
    std::vector<BYTE> frame = Ramp(640 * 480 * 2);
    ASSERT_EQ(harness.Push({frame.data(), 640 * 480 * 2}), S_OK);  // the renderer's new type
    ASSERT_EQ(harness.Push({frame.data(), 640 * 480 * 2}), S_OK);  // passed upstream
    EXPECT_EQ(harness.Source()->AnnouncedType().subtype.Data1, kUyvy);
    GUID subtype{};
    harness.Grabber()->GetInputSubtype(&subtype);
    EXPECT_EQ(subtype.Data1, kUyvy);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(harness.Grabber()->GetInputConnectionType(&type), S_OK);
    EXPECT_EQ(type.subtype.Data1, kUyvy);
    CoTaskMemFree(type.pbFormat);

    ASSERT_EQ(harness.Control()->Stop(), S_OK);
    // Upstream still holds the grabber's own allocator, which still takes its properties.
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> offered;
    ASSERT_EQ(PinOf(harness.GrabberFilter(), PINDIR_INPUT, 0).As(&input), S_OK);
    ASSERT_EQ(input->GetAllocator(&offered), S_OK);
    IMemAllocator* held = harness.Source()->Allocator();
    EXPECT_EQ(offered.Get(), held);
    ALLOCATOR_PROPERTIES props{}, actual{};
    held->GetProperties(&props);
    EXPECT_EQ(held->SetProperties(&props, &actual), S_OK);
    ASSERT_EQ(harness.Control()->Run(), S_OK);
    ResetCallbackFrames();
    ASSERT_EQ(harness.Push({frame.data(), 640 * 480 * 2}), S_OK);
    auto frames = CallbackFrames();
    ASSERT_EQ(frames.size(), 1u);  // what a snapshot takes
    EXPECT_EQ(frames[0].bytes, frame);
}

}  // namespace
