// A camera's picture controls: brightness, contrast and the rest of IAMVideoProcAmp, exposure,
// focus, zoom and the rest of IAMCameraControl (the power-line frequency stays with the
// options). Each control the camera reports, with its range, default, automatic mode and value;
// setting one; and the stored choices put back at every graph build. User-interface thread.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <string>
#include <vector>

struct CameraControl {
    bool cameraControl;  // IAMCameraControl, else IAMVideoProcAmp
    long property;       // VideoProcAmp_* or CameraControl_*
    const wchar_t* name;  // as the choices are stored
    UINT label;           // the string of its name as the user reads it
    long minimum, maximum, step, defaultValue;
    bool canAuto;
    long value;     // as the camera has it now
    bool autoMode;  // likewise
};

// Every control the camera reports (its GetRange succeeds with a sensible range), in the order
// of the lists above, with its value now.
std::vector<CameraControl> ReadCameraControls(IBaseFilter* camera);
// Sets a control's value (and automatic mode, where it has one).
HRESULT SetCameraControl(IBaseFilter* camera, const CameraControl& control, long value, bool autoMode);
// The control's value and mode as the camera has them now.
HRESULT GetCameraControl(IBaseFilter* camera, const CameraControl& control, long* value, bool* autoMode);
// Puts the choices stored for `deviceId` onto the camera, each clamped into the camera's range.
void ApplyStoredCameraControls(IBaseFilter* camera, const wchar_t* deviceId);

// The driver's own property pages of the camera; false when it has none. The caller frees
// pElems.
bool DriverPages(IBaseFilter* camera, CAUUID* list);
// True when the camera has something to set: a picture control or pages of its driver.
bool HasCameraSettings(IBaseFilter* camera);
