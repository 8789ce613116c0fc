// The grabber test harness.
#include "grabber_harness.h"

#include <mutex>

using Microsoft::WRL::ComPtr;

namespace testsupport {

namespace {
std::mutex g_framesLock;
std::vector<CallbackFrame> g_frames;
}  // namespace

std::vector<CallbackFrame> CallbackFrames() {
    std::lock_guard<std::mutex> lock(g_framesLock);
    return g_frames;
}

void ResetCallbackFrames() {
    std::lock_guard<std::mutex> lock(g_framesLock);
    g_frames.clear();
}

int GrabberCallback(int width, int height, BYTE* frame, int size) {
    std::lock_guard<std::mutex> lock(g_framesLock);
    g_frames.push_back({width, height, size, std::vector<BYTE>(frame, frame + size)});
    return 0;
}

ComPtr<IBaseFilter> CreateGrabber() {
    ComPtr<IClassFactory> factory;
    ComPtr<IBaseFilter> grabber;
    if (SUCCEEDED(DllGetClassObject(CLSID_RirovirGrabber, IID_IClassFactory, &factory)))
        factory->CreateInstance(nullptr, IID_PPV_ARGS(&grabber));
    return grabber;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) return nullptr;
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        pin->QueryDirection(&d);
        if (d == direction && index-- == 0) return pin;
        pin.Reset();
    }
    return nullptr;
}

GrabberHarness::GrabberHarness() { ResetCallbackFrames(); }

GrabberHarness::~GrabberHarness() {
    if (m_control) m_control->Stop();
}

HRESULT GrabberHarness::Build(const CMediaType& type, const SinkOptions& options) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&m_graph));
    if (FAILED(hr)) return hr;
    m_graph.As(&m_control);

    m_source = new CTestSource(type);
    m_source->NonDelegatingQueryInterface(IID_PPV_ARGS(&m_sourceFilter));
    m_sink = new CTestSink(options);
    m_sink->NonDelegatingQueryInterface(IID_PPV_ARGS(&m_sinkFilter));
    m_grabberFilter = CreateGrabber();
    if (!m_grabberFilter) return E_FAIL;
    m_grabberFilter.As(&m_grabber);
    m_grabber->SetFrameCallback(&GrabberCallback);

    if (FAILED(hr = m_graph->AddFilter(m_sourceFilter.Get(), L"Source")) ||
        FAILED(hr = m_graph->AddFilter(m_grabberFilter.Get(), L"RirovirGrabber")) ||
        FAILED(hr = m_graph->AddFilter(m_sinkFilter.Get(), L"Sink")))
        return hr;
    hr = m_graph->ConnectDirect(m_source->OutputPin(),
                                PinOf(m_grabberFilter.Get(), PINDIR_INPUT, 0).Get(), &type);
    if (FAILED(hr)) return hr;
    hr = m_graph->ConnectDirect(PinOf(m_grabberFilter.Get(), PINDIR_OUTPUT, 0).Get(),
                                m_sink->InputPin(), nullptr);
    if (FAILED(hr)) return hr;
    return m_control->Run();
}

}  // namespace testsupport
