// Finding the camera's video pin.
#include "camera_pin.h"

#include <ks.h>
#include <ksproxy.h>
#include <wrl/client.h>

#include <vector>

#include "devices/camera_pin_choice.h"
#include "dshow/media_type.h"

using Microsoft::WRL::ComPtr;

namespace {

PinCategory CategoryOf(IPin* pin) {
    ComPtr<IKsPropertySet> properties;
    if (FAILED(pin->QueryInterface(IID_PPV_ARGS(&properties)))) return PinCategory::None;
    GUID category = GUID_NULL;
    DWORD returned = 0;
    if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                               sizeof(category), &returned)) ||
        returned != sizeof(category))
        return PinCategory::None;
    if (category == PIN_CATEGORY_CAPTURE) return PinCategory::Capture;
    if (category == PIN_CATEGORY_PREVIEW) return PinCategory::Preview;
    return PinCategory::Other;
}

// One of the pin's media types is video; where it lists none, its first stream capability.
bool OffersVideo(IPin* pin) {
    ComPtr<IEnumMediaTypes> types;
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(pin->EnumMediaTypes(&types))) types.Reset();
    // A bound against an enumerator that never ends.
    for (int i = 0; types && i < 4096 && types->Next(1, &type, nullptr) == S_OK; ++i) {
        bool video = type && type->majortype == MEDIATYPE_Video;
        DeleteMediaType(type);
        if (video) return true;
    }
    ComPtr<IAMStreamConfig> config;
    int capabilities = 0, size = 0;
    if (FAILED(pin->QueryInterface(IID_PPV_ARGS(&config))) ||
        FAILED(config->GetNumberOfCapabilities(&capabilities, &size)) || capabilities < 1 || size < 1 || size > 4096)
        return false;
    std::vector<BYTE> caps(static_cast<size_t>(size));
    type = nullptr;
    if (FAILED(config->GetStreamCaps(0, &type, caps.data())) || !type) return false;
    const bool video = type->majortype == MEDIATYPE_Video;
    DeleteMediaType(type);
    return video;
}

}  // namespace

HRESULT FindCameraPin(IBaseFilter* camera, IPin** pin) {
    if (!camera || !pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IEnumPins> pins;
    if (FAILED(camera->EnumPins(&pins)) || !pins) return E_FAIL;
    std::vector<ComPtr<IPin>> found;
    std::vector<PinFacts> facts;
    ComPtr<IPin> candidate;
    while (found.size() < 64 && pins->Next(1, &candidate, nullptr) == S_OK && candidate) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        ComPtr<IPin> peer;
        bool output = SUCCEEDED(candidate->QueryDirection(&direction)) && direction == PINDIR_OUTPUT;
        bool connected = SUCCEEDED(candidate->ConnectedTo(&peer)) && peer;
        facts.push_back({output, connected, output ? CategoryOf(candidate.Get()) : PinCategory::None,
                         output && !connected && OffersVideo(candidate.Get())});
        found.push_back(std::move(candidate));
    }
    int chosen = ChooseCameraPin(facts.data(), facts.size());
    if (chosen < 0) return E_FAIL;
    *pin = found[static_cast<size_t>(chosen)].Detach();
    return S_OK;
}
