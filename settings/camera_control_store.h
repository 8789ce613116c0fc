// The picture control choices of each camera, under the settings key in a subkey named after
// the camera's device ID (its backslashes written as '#', as the key name cannot hold them):
// one binary value per control, named after it, of its value and its automatic mode. User-
// interface thread only.
#pragma once
#include <cstdint>
#include <string>

struct StoredCameraControl {
    int32_t value;
    bool autoMode;
};

// The subkey's path below HKEY_CURRENT_USER.
std::wstring CameraControlKeyPath(const wchar_t* deviceId);
// False when nothing usable is stored (absent, or of another type or size).
bool LoadCameraControl(const wchar_t* deviceId, const wchar_t* name, StoredCameraControl* stored);
bool StoreCameraControl(const wchar_t* deviceId, const wchar_t* name, const StoredCameraControl& stored);
