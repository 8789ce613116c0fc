// Device enumeration: the cameras with their usable resolutions and the audio capture devices
// with their input lines, from the system device enumerator.
#include "device_enumeration.h"

#include <wrl/client.h>

#include "devices/accepted_formats.h"
#include "devices/camera_pin.h"
#include "devices/device_catalogue.h"
#include "devices/frame_rates.h"
#include "devices/resolution_list.h"
#include "settings/settings_store.h"

using Microsoft::WRL::ComPtr;

namespace {

using DeviceHandler = void (*)(IBaseFilter* filter, const wchar_t* friendlyName,
                               const wchar_t* deviceId, EnumerationObjects& objects);

void ReadFriendlyName(IMoniker* moniker, wchar_t (&name)[kNameCapacity]) {
    name[0] = L'\0';
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
        CopyName(name, value.bstrVal);
    VariantClear(&value);
}

void ReadDisplayName(IMoniker* moniker, wchar_t (&name)[kNameCapacity]) {
    name[0] = L'\0';
    LPOLESTR display = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &display)) && display) {
        CopyName(name, display);
        CoTaskMemFree(display);
    }
}

// The first failure to open a camera in the last enumeration of the cameras.
HRESULT g_cameraOpenFailure = S_OK;

HRESULT EnumerateCategory(REFCLSID category, DeviceHandler handler, EnumerationObjects& objects) {
    const bool cameras = category == CLSID_VideoInputDeviceCategory;
    if (cameras) g_cameraOpenFailure = S_OK;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(OpenDeviceCategory(category, &monikers))) return E_FAIL;

    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        wchar_t friendlyName[kNameCapacity];
        wchar_t deviceId[kNameCapacity];
        ReadFriendlyName(moniker.Get(), friendlyName);
        ReadDisplayName(moniker.Get(), deviceId);
        if (friendlyName[0]) {
            ComPtr<IBaseFilter> filter;
            const HRESULT opened = moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter));
            if (SUCCEEDED(opened))
                handler(filter.Get(), friendlyName, deviceId, objects);
            else if (cameras && g_cameraOpenFailure == S_OK)
                g_cameraOpenFailure = opened;
        }
        moniker.Reset();
    }
    return S_OK;
}

// Adds the camera when it offers at least one accepted format.
void AddCamera(IBaseFilter* filter, const wchar_t* friendlyName, const wchar_t* deviceId, EnumerationObjects&) {
    if (g_videoDeviceCount >= kMaxDevices) return;
    VideoDeviceInfo& entry = g_videoDevices[g_videoDeviceCount];
    ComPtr<IPin> pin;
    if (FAILED(FindCameraPin(filter, &pin))) return;
    ForEachAcceptedFormat(pin.Get(),
                          [&](IAMStreamConfig*, AM_MEDIA_TYPE*, const VideoInfoFacts& facts) {
                              AddDistinctResolution(entry.widths, entry.heights,
                                                    &entry.resolutionCount, kMaxResolutions,
                                                    facts.width, facts.height);
                              return false;
                          });
    if (entry.resolutionCount == 0) return;
    CopyName(entry.friendlyName, friendlyName);
    CopyName(entry.deviceId, deviceId);
    SortResolutions(entry.widths, entry.heights, entry.resolutionCount);
    // Then the rates of each resolution, from every format that has it.
    ForEachAcceptedFormat(pin.Get(), [&](IAMStreamConfig*, AM_MEDIA_TYPE*, const VideoInfoFacts& facts) {
        for (int i = 0; i < entry.resolutionCount; ++i)
            if (entry.widths[i] == facts.width && entry.heights[i] == facts.height)
                AddOfferedRates(facts.frameInterval, facts.slowestInterval, entry.rates[i], &entry.rateCounts[i], kMaxRates);
        return false;
    });
    ++g_videoDeviceCount;
}

// Adds the audio device when it has at least one input pin (mixer line).
void AddAudioDevice(IBaseFilter* filter, const wchar_t* friendlyName, const wchar_t* deviceId,
                    EnumerationObjects&) {
    if (g_audioDeviceCount >= kMaxDevices) return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) return;
    pins->Reset();
    AudioDeviceInfo& entry = g_audioDevices[g_audioDeviceCount];
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT) {
            PIN_INFO info{};
            if (SUCCEEDED(pin->QueryPinInfo(&info))) {
                if (entry.inputCount < kMaxInputs) CopyName(entry.inputNames[entry.inputCount++], info.achName);
                if (info.pFilter) info.pFilter->Release();
            }
        }
        pin.Reset();
    }
    if (entry.inputCount == 0) return;
    CopyName(entry.friendlyName, friendlyName);
    CopyName(entry.deviceId, deviceId);
    ++g_audioDeviceCount;
}

}  // namespace

HRESULT OpenDeviceCategory(REFCLSID category, ComPtr<IEnumMoniker>* monikers) {
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&devices))))
        return E_FAIL;
    if (devices->CreateClassEnumerator(category, monikers->ReleaseAndGetAddressOf(), 0) != S_OK ||
        !*monikers)
        return E_FAIL;
    return S_OK;
}

HRESULT EnumerateDevices(EnumerationObjects& objects) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&objects.graph));
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&objects.builder));
    if (FAILED(hr)) return hr;
    hr = objects.builder->SetFiltergraph(objects.graph.Get());
    if (FAILED(hr)) return hr;
    hr = EnumerateCategory(CLSID_VideoInputDeviceCategory, &AddCamera, objects);
    if (FAILED(hr)) return hr;
    hr = EnumerateCategory(CLSID_AudioInputDeviceCategory, &AddAudioDevice, objects);
    return FAILED(hr) ? hr : S_OK;
}

void RefreshDeviceSelection() {
    ResetDeviceTables();
    {
        EnumerationObjects objects;
        EnumerateDevices(objects);
    }
    wchar_t storedCamera[kSettingCapacity];
    wchar_t storedAudio[kSettingCapacity];
    ReadSettingString(L"videoDeviceID", storedCamera);
    ReadSettingString(L"audioDeviceName", storedAudio);

    int camera = FindVideoDeviceById(storedCamera);
    g_videoDeviceIndex = camera >= 0 ? camera : 0;
    CopyName(g_videoDeviceName, g_videoDevices[g_videoDeviceIndex].friendlyName);
    CopyName(g_videoDeviceID, g_videoDevices[g_videoDeviceIndex].deviceId);

    int audio = FindAudioDeviceByName(storedAudio);
    if (audio < 0) {
        g_audioDeviceIndex = 0;
        g_audioInputIndex = 0;
    } else {
        g_audioDeviceIndex = audio;
    }
    CopyName(g_audioDeviceName, g_audioDevices[g_audioDeviceIndex].friendlyName);
}

void RescanDevices() {
    wchar_t camera[kNameCapacity], audio[kNameCapacity];
    CopyName(camera, g_videoDeviceID);
    CopyName(audio, g_audioDeviceName);
    const int input = g_audioInputIndex;
    RefreshDeviceSelection();
    if (int found = FindVideoDeviceById(camera); found >= 0) {
        g_videoDeviceIndex = found;
        CopyName(g_videoDeviceName, g_videoDevices[found].friendlyName);
        CopyName(g_videoDeviceID, g_videoDevices[found].deviceId);
    }
    if (int found = FindAudioDeviceByName(audio); found >= 0) {
        g_audioDeviceIndex = found;
        CopyName(g_audioDeviceName, g_audioDevices[found].friendlyName);
        g_audioInputIndex = input < g_audioDevices[found].inputCount ? input : 0;
    }
}

HRESULT CameraOpenFailure() { return g_cameraOpenFailure; }

bool StoredCameraMissing() {
    wchar_t stored[kSettingCapacity];
    ReadSettingString(L"videoDeviceID", stored);
    return g_videoDeviceCount == 0 || (stored[0] && FindVideoDeviceById(stored) < 0);
}
