// Reading what the system device enumerator lists in a category.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace testsupport {

struct ListedDevice {
    std::wstring friendlyName;
    std::wstring displayName;
};

std::vector<ListedDevice> ListDevices(REFCLSID category);
// Binds the device whose display name is `displayName`, or null.
Microsoft::WRL::ComPtr<IBaseFilter> BindDevice(REFCLSID category, const std::wstring& displayName);
// "@device:sw:{category}\{clsid}"
std::wstring SoftwareDeviceName(REFCLSID category, REFCLSID clsid);

}  // namespace testsupport
