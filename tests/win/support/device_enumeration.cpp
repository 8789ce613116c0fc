// System device enumeration for tests.
#include "device_enumeration.h"

using Microsoft::WRL::ComPtr;

namespace testsupport {

namespace {

template <class Visit>
void ForEachMoniker(REFCLSID category, Visit visit) {
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&devices))))
        return;
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, &monikers, 0) != S_OK || !monikers) return;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        if (!visit(moniker.Get())) return;
        moniker.Reset();
    }
}

std::wstring DisplayName(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name))) return {};
    std::wstring result(name);
    CoTaskMemFree(name);
    return result;
}

std::wstring FriendlyName(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return {};
    VARIANT value;
    VariantInit(&value);
    std::wstring result;
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
        result = value.bstrVal;
    VariantClear(&value);
    return result;
}

}  // namespace

std::vector<ListedDevice> ListDevices(REFCLSID category) {
    std::vector<ListedDevice> listed;
    ForEachMoniker(category, [&](IMoniker* moniker) {
        listed.push_back({FriendlyName(moniker), DisplayName(moniker)});
        return true;
    });
    return listed;
}

ComPtr<IBaseFilter> BindDevice(REFCLSID category, const std::wstring& displayName) {
    ComPtr<IBaseFilter> filter;
    ForEachMoniker(category, [&](IMoniker* moniker) {
        if (DisplayName(moniker) != displayName) return true;
        moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter));
        return false;
    });
    return filter;
}

std::wstring SoftwareDeviceName(REFCLSID category, REFCLSID clsid) {
    wchar_t categoryText[64], clsidText[64];
    StringFromGUID2(category, categoryText, 64);
    StringFromGUID2(clsid, clsidText, 64);
    return std::wstring(L"@device:sw:") + categoryText + L"\\" + clsidText;
}

}  // namespace testsupport
