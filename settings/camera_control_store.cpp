// Stored camera control choices.
#include "camera_control_store.h"

#include <windows.h>

#include "settings/settings_store.h"

namespace {

// The binary value: the control's value, then 1 for automatic mode or 0.
struct StoredBytes {
    int32_t value;
    int32_t flags;
};

}  // namespace

std::wstring CameraControlKeyPath(const wchar_t* deviceId) {
    std::wstring name = deviceId ? deviceId : L"";
    for (wchar_t& c : name)
        if (c == L'\\') c = L'#';
    return std::wstring(kSettingsKeyPath) + L"\\" + name;
}

bool LoadCameraControl(const wchar_t* deviceId, const wchar_t* name, StoredCameraControl* stored) {
    StoredBytes bytes{};
    DWORD type = 0, size = sizeof(bytes);
    if (RegGetValueW(HKEY_CURRENT_USER, CameraControlKeyPath(deviceId).c_str(), name, RRF_RT_ANY, &type, &bytes,
                     &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof(bytes))
        return false;
    stored->value = bytes.value;
    stored->autoMode = bytes.flags == 1;
    return true;
}

bool StoreCameraControl(const wchar_t* deviceId, const wchar_t* name, const StoredCameraControl& stored) {
    StoredBytes bytes{stored.value, stored.autoMode ? 1 : 0};
    return RegSetKeyValueW(HKEY_CURRENT_USER, CameraControlKeyPath(deviceId).c_str(), name, REG_BINARY, &bytes,
                           sizeof(bytes)) == ERROR_SUCCESS;
}
