// Device configuration.
#include "camera_configuration.h"

#include <ks.h>
#include <ksmedia.h>
#include <wrl/client.h>

#include <vector>

#include "devices/accepted_formats.h"
#include "devices/camera_format.h"
#include "devices/frame_rates.h"
#include "devices/media_type_view.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr LONGLONG kTwelveAndAHalfFps = 800000;
constexpr LONGLONG kFiveFps = 2000000;
}  // namespace

void SetCaptureFormat(IPin* pin, int width, int height, int rate, CMediaType* connectionType) {
    *connectionType = CMediaType();
    std::vector<FormatOffer> offers;
    ForEachAcceptedFormat(pin, [&](IAMStreamConfig*, AM_MEDIA_TYPE* type, const VideoInfoFacts& facts) {
        offers.push_back({SubtypeOf(ViewOf(*type)), facts.width, facts.height, facts.frameInterval, facts.slowestInterval});
        return false;
    });
    const int chosen = ChooseCameraFormat(offers.data(), offers.size(), width, height, rate);
    if (chosen < 0) return;  // the camera keeps its format
    int index = 0;
    ForEachAcceptedFormat(pin, [&](IAMStreamConfig* config, AM_MEDIA_TYPE* type, const VideoInfoFacts& facts) {
        if (index++ != chosen) return false;
        // The interval the choice assumed (a capability's shortest where the type says none),
        // or the chosen rate's where the format offers it.
        const int64_t interval = OffersRate(facts.frameInterval, facts.slowestInterval, rate)
                                     ? IntervalForRate(facts.frameInterval, facts.slowestInterval, rate)
                                     : facts.frameInterval;
        WriteFrameInterval(type->pbFormat, type->cbFormat, interval);
        if (width == 800 && height == 600 && facts.frameInterval == kTwelveAndAHalfFps &&
            IsOriginalLayout(offers[chosen].subtype))
            WriteFrameInterval(type->pbFormat, type->cbFormat, kFiveFps);
        if (config)
            config->SetFormat(type);
        else
            connectionType->Set(*type);  // a pin without capabilities takes its format as it connects
        return true;
    });
}

HRESULT SetPowerLineFrequency(IBaseFilter* camera, LONG value) {
    ComPtr<IKsPropertySet> properties;
    if (FAILED(camera->QueryInterface(IID_PPV_ARGS(&properties)))) return E_FAIL;
    static_assert(sizeof(KSPROPERTY_VIDEOPROCAMP_S) == 40, "header, value, flags, capabilities, padding");
    KSPROPERTY_VIDEOPROCAMP_S property{};
    property.Property.Set = PROPSETID_VIDCAP_VIDEOPROCAMP;
    property.Property.Id = KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY;
    property.Property.Flags = KSPROPERTY_TYPE_SET;
    property.Value = value;
    property.Flags = 1;
    property.Capabilities = 1;
    // The instance data is everything from the value to the end of the structure.
    auto* instance = reinterpret_cast<BYTE*>(&property.Value);
    DWORD instanceLength = static_cast<DWORD>(sizeof(property) - offsetof(KSPROPERTY_VIDEOPROCAMP_S, Value));
    properties->Set(PROPSETID_VIDCAP_VIDEOPROCAMP, KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY,
                    instance, instanceLength, &property, sizeof(property));
    return 0;
}

HRESULT GetPinByDirection(IBaseFilter* filter, int index, PIN_DIRECTION direction, IPin** pin) {
    if (!filter || !pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(&pins);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> candidate;
    while (pins->Next(1, &candidate, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(candidate->QueryDirection(&d)) && d == direction && index-- == 0) {
            *pin = candidate.Detach();
            return S_OK;
        }
        candidate.Reset();
    }
    return E_FAIL;
}

HRESULT SelectAudioInput(IBaseFilter* audio, int inputCount, int selected) {
    HRESULT last = 0;
    for (int i = 0; i < inputCount; ++i) {
        ComPtr<IPin> pin;
        if (FAILED(GetPinByDirection(audio, i, PINDIR_INPUT, &pin))) continue;
        ComPtr<IAMAudioInputMixer> mixer;
        last = pin->QueryInterface(IID_IAMAudioInputMixer, reinterpret_cast<void**>(mixer.GetAddressOf()));
        if (FAILED(last)) continue;
        last = mixer->put_Enable(i == selected ? TRUE : FALSE);
    }
    return last;
}
