// Camera picture controls.
#include "camera_controls.h"

#include <ocidl.h>
#include <wrl/client.h>

#include <algorithm>

#include "resources/resource.h"
#include "settings/camera_control_store.h"

using Microsoft::WRL::ComPtr;

namespace {

struct KnownControl {
    bool cameraControl;
    long property;
    const wchar_t* name;
    UINT label;
};

constexpr KnownControl kControls[] = {
    {false, VideoProcAmp_Brightness, L"Brightness", IDS_CONTROL_BRIGHTNESS},
    {false, VideoProcAmp_Contrast, L"Contrast", IDS_CONTROL_CONTRAST},
    {false, VideoProcAmp_Hue, L"Hue", IDS_CONTROL_HUE},
    {false, VideoProcAmp_Saturation, L"Saturation", IDS_CONTROL_SATURATION},
    {false, VideoProcAmp_Sharpness, L"Sharpness", IDS_CONTROL_SHARPNESS},
    {false, VideoProcAmp_Gamma, L"Gamma", IDS_CONTROL_GAMMA},
    {false, VideoProcAmp_WhiteBalance, L"White balance", IDS_CONTROL_WHITE_BALANCE},
    {false, VideoProcAmp_BacklightCompensation, L"Backlight compensation", IDS_CONTROL_BACKLIGHT},
    {false, VideoProcAmp_Gain, L"Gain", IDS_CONTROL_GAIN},
    {true, CameraControl_Exposure, L"Exposure", IDS_CONTROL_EXPOSURE},
    {true, CameraControl_Focus, L"Focus", IDS_CONTROL_FOCUS},
    {true, CameraControl_Zoom, L"Zoom", IDS_CONTROL_ZOOM},
    {true, CameraControl_Pan, L"Pan", IDS_CONTROL_PAN},
    {true, CameraControl_Tilt, L"Tilt", IDS_CONTROL_TILT},
    {true, CameraControl_Roll, L"Roll", IDS_CONTROL_ROLL},
    {true, CameraControl_Iris, L"Iris", IDS_CONTROL_IRIS},
};

// Both interfaces use 1 for automatic and 2 for manual.
constexpr long kAuto = 1, kManual = 2;

// `call` on the camera's interface for the control's kind: IAMCameraControl or IAMVideoProcAmp,
// whose Get, Set and GetRange take the same arguments.
template <typename Call>
HRESULT OnControlInterface(IBaseFilter* camera, bool cameraControl, Call call) {
    if (!camera) return E_POINTER;
    if (cameraControl) {
        ComPtr<IAMCameraControl> c;
        HRESULT hr = camera->QueryInterface(IID_PPV_ARGS(&c));
        return FAILED(hr) ? hr : call(c.Get());
    }
    ComPtr<IAMVideoProcAmp> p;
    HRESULT hr = camera->QueryInterface(IID_PPV_ARGS(&p));
    return FAILED(hr) ? hr : call(p.Get());
}

}  // namespace

std::vector<CameraControl> ReadCameraControls(IBaseFilter* camera) {
    std::vector<CameraControl> controls;
    for (const KnownControl& known : kControls) {
        CameraControl c{known.cameraControl, known.property, known.name, known.label, 0, 0, 0, 0, false, 0, false};
        long flags = 0;
        HRESULT hr = OnControlInterface(camera, known.cameraControl, [&](auto* device) {
            return device->GetRange(known.property, &c.minimum, &c.maximum, &c.step, &c.defaultValue, &flags);
        });
        if (FAILED(hr) || c.minimum > c.maximum) continue;
        if (c.step <= 0) c.step = 1;
        c.canAuto = (flags & kAuto) != 0;
        c.value = std::clamp(c.defaultValue, c.minimum, c.maximum);
        GetCameraControl(camera, c, &c.value, &c.autoMode);
        controls.push_back(c);
    }
    return controls;
}

HRESULT SetCameraControl(IBaseFilter* camera, const CameraControl& control, long value, bool autoMode) {
    long flags = autoMode && control.canAuto ? kAuto : kManual;
    value = std::clamp(value, control.minimum, control.maximum);
    return OnControlInterface(camera, control.cameraControl,
                              [&](auto* device) { return device->Set(control.property, value, flags); });
}

HRESULT GetCameraControl(IBaseFilter* camera, const CameraControl& control, long* value, bool* autoMode) {
    long v = 0, flags = 0;
    HRESULT hr = OnControlInterface(camera, control.cameraControl,
                                    [&](auto* device) { return device->Get(control.property, &v, &flags); });
    if (FAILED(hr)) return hr;
    *value = v;
    *autoMode = (flags & kAuto) != 0;
    return S_OK;
}

void ApplyStoredCameraControls(IBaseFilter* camera, const wchar_t* deviceId) {
    for (const CameraControl& control : ReadCameraControls(camera)) {
        StoredCameraControl stored;
        if (LoadCameraControl(deviceId, control.name, &stored))
            SetCameraControl(camera, control, stored.value, stored.autoMode);  // a refusal changes nothing
    }
}

bool DriverPages(IBaseFilter* camera, CAUUID* list) {
    ComPtr<ISpecifyPropertyPages> pages;
    return camera && SUCCEEDED(camera->QueryInterface(IID_PPV_ARGS(&pages))) && SUCCEEDED(pages->GetPages(list)) &&
           list->cElems > 0;
}

bool HasCameraSettings(IBaseFilter* camera) {
    CAUUID list{};
    bool pages = DriverPages(camera, &list);
    CoTaskMemFree(list.pElems);
    return pages || !ReadCameraControls(camera).empty();
}
