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

HRESULT GrabberHarness::Build(const CMediaType& type, const SinkOptions& options) {
    m_grabberFilter = CreateGrabber();
    if (!m_grabberFilter) return E_FAIL;
    m_grabberFilter.As(&m_grabber);
    m_grabber->SetFrameCallback(&GrabberCallback);
    return FilterChain::Build(m_grabberFilter.Get(), type, options, L"RirovirGrabber");
}

}  // namespace testsupport
