// The capture test fixture.
#include "capture_fixture.h"

#include <wrl/client.h>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "snapshot/snapshot_request.h"
#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "support/device_enumeration.h"
#include "support/registry.h"
#include "support/ui_helpers.h"
#include "virtual_devices.h"

using Microsoft::WRL::ComPtr;

namespace testsupport {

CLSID TestDeviceClsid(int n) {
    return {0xCA9E0000u + static_cast<unsigned>(n), 0x5D7E, 0x4C39,
            {0x9A, 0x61, 0x0C, 0x2E, 0x7F, 0x3D, 0x8A, 0x40}};
}

std::wstring TestCameraId(int n) {
    return SoftwareDeviceName(CLSID_VideoInputDeviceCategory, TestDeviceClsid(n));
}

void CaptureTest::SetUp() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    UnregisterAllVirtualDevices();
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    AfxModalSeam().messageBox = [this](HWND, LPCWSTR text, LPCWSTR caption, UINT) {
        m_messages.push_back(std::wstring(caption) + L": " + text);
        return IDOK;
    };
}

void CaptureTest::TearDown() {
    // The close-time teardown: nothing of this case's graph or options dialog is left to the next.
    if (m_window) m_window->CloseSequence();
    m_window.reset();
    g_recordMode = 0;
    g_snapshotRequested = 0;
    g_deviceRescanPending = 0;
    AfxResetModalSeam();
    UnregisterAllVirtualDevices();
    RegisterDefaultVirtualDevices();
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    CoUninitialize();
}

void CaptureTest::Camera(int n, const wchar_t* name, const wchar_t* formats) {
    VirtualCameraDescription camera{name, formats, FALSE, 0, 0};
    CLSID clsid = TestDeviceClsid(n);
    ASSERT_EQ(RegisterVirtualCamera(&clsid, &camera), S_OK);
}

void CaptureTest::Microphone(int n, const wchar_t* name, const wchar_t* inputs) {
    CLSID clsid = TestDeviceClsid(n);
    ASSERT_EQ(RegisterVirtualMicrophone(&clsid, name, inputs), S_OK);
}

void CaptureTest::OpenWindow() {
    // The pointer out of the way: where an earlier test left it over a toolbar button, that
    // button's tooltip would cover the picture the test reads off the screen.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    m_window = std::make_unique<CZevuvArividDlg>();
    ASSERT_TRUE(m_window->Create(IDD_ZEVUVARIVID_DIALOG));
}

LRESULT CaptureTest::Command(UINT id) { return SendMessageW(m_window->m_hWnd, WM_COMMAND, id, 0); }

std::wstring TestDeviceKey(int n) {
    wchar_t text[64];
    StringFromGUID2(TestDeviceClsid(n), text, 64);
    return std::wstring(L"Software\\WebcamTest\\Devices\\") + text;
}

std::wstring CaptureTest::DeviceRecord(int n, const wchar_t* name) const {
    return StringValue(HKEY_CURRENT_USER, TestDeviceKey(n).c_str(), name);
}

DWORD CaptureTest::DeviceNumber(int n, const wchar_t* name) const {
    return DwordValue(HKEY_CURRENT_USER, TestDeviceKey(n).c_str(), name);
}

namespace {

std::wstring NameOf(IBaseFilter* filter) {
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

ComPtr<IBaseFilter> FilterNamed(const wchar_t* name) {
    ComPtr<IBaseFilter> filter;
    if (g_pGraph) g_pGraph->FindFilterByName(name, &filter);
    return filter;
}

}  // namespace

std::vector<std::wstring> GraphFilterNames() {
    std::vector<std::wstring> names;
    ComPtr<IEnumFilters> filters;
    if (!g_pGraph || FAILED(g_pGraph->EnumFilters(&filters))) return names;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        names.push_back(NameOf(filter.Get()));
        filter.Reset();
    }
    return names;
}

CLSID FilterClass(const wchar_t* filterName) {
    CLSID clsid = GUID_NULL;
    if (ComPtr<IBaseFilter> filter = FilterNamed(filterName)) filter->GetClassID(&clsid);
    return clsid;
}

std::wstring ConnectedTo(const wchar_t* filterName, const wchar_t* pinId) {
    ComPtr<IBaseFilter> filter = FilterNamed(filterName);
    ComPtr<IPin> pin, peer;
    if (!filter || filter->FindPin(pinId, &pin) != S_OK || pin->ConnectedTo(&peer) != S_OK)
        return {};
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    std::wstring result = NameOf(info.pFilter);
    info.pFilter->Release();
    LPWSTR id = nullptr;
    peer->QueryId(&id);
    result += L":" + std::wstring(id ? id : L"");
    CoTaskMemFree(id);
    return result;
}

}  // namespace testsupport
