// Device binding.
#include "device_binding.h"

#include <wrl/client.h>

#include "devices/camera_configuration.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "devices/device_id.h"
#include "settings/settings_store.h"

using Microsoft::WRL::ComPtr;

namespace {

// Binds the first device of `category` whose moniker `matches`.
template <class Matches>
HRESULT FindDevice(REFCLSID category, Matches matches, IBaseFilter** filter) {
    *filter = nullptr;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(OpenDeviceCategory(category, &monikers))) return E_FAIL;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        if (matches(moniker.Get()))
            return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(filter));
        moniker.Reset();
    }
    return S_OK;  // none matched: no filter
}

bool DisplayNameIs(IMoniker* moniker, const wchar_t* id) {
    LPOLESTR display = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &display)) || !display) return false;
    bool equal = DeviceIdMatches(display, id, kNameCapacity);
    CoTaskMemFree(display);
    return equal;
}

bool FriendlyNameIs(IMoniker* moniker, const wchar_t* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return false;
    VARIANT value;
    VariantInit(&value);
    bool equal = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR &&
                 wcscmp(value.bstrVal, name) == 0;
    VariantClear(&value);
    return equal;
}

}  // namespace

HRESULT BindVideoDevice(const wchar_t* deviceId, IBaseFilter** camera) {
    HRESULT hr = FindDevice(CLSID_VideoInputDeviceCategory,
                            [deviceId](IMoniker* m) { return DisplayNameIs(m, deviceId); }, camera);
    if (FAILED(hr)) return hr;
    return *camera ? S_OK : E_FAIL;
}

HRESULT FindVideoDevice(IBaseFilter** camera) {
    HRESULT hr = BindVideoDevice(g_videoDeviceID, camera);
    if (FAILED(hr)) return hr;
    SetPowerLineFrequency(*camera, g_settings.lightSource != 0 ? 2 : 1);
    return S_OK;
}

HRESULT FindAudioDevice(IBaseFilter** audio) {
    return FindDevice(CLSID_AudioInputDeviceCategory,
                      [](IMoniker* m) { return FriendlyNameIs(m, g_audioDeviceName); }, audio);
}
