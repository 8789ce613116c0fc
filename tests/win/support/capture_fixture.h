// The main window opened in the test process over virtual devices registered for the test, with
// message boxes captured instead of shown; and readers of the running graph.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_dlg.h"

namespace testsupport {

CLSID TestDeviceClsid(int n);
// The device ID of test camera `n`, as the program stores it.
std::wstring TestCameraId(int n);
// The registry key of test device `n`'s description and records.
std::wstring TestDeviceKey(int n);

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void Camera(int n, const wchar_t* name, const wchar_t* formats);
    void Microphone(int n, const wchar_t* name, const wchar_t* inputs);
    // Opens the main window, which enumerates the devices and loads the settings.
    void OpenWindow();
    LRESULT Command(UINT id);
    std::wstring DeviceRecord(int n, const wchar_t* name) const;
    DWORD DeviceNumber(int n, const wchar_t* name) const;

    std::unique_ptr<CZevuvArividDlg> m_window;
    std::vector<std::wstring> m_messages;  // "caption: text" of every message box
};

// Filters of the running graph by name, and what a pin of one is connected to.
std::vector<std::wstring> GraphFilterNames();
// The class identifier of the graph's filter of that name, or GUID_NULL.
CLSID FilterClass(const wchar_t* filterName);
// "<filter name>:<pin id>" of the pin connected to `pinId` of `filterName`, or empty.
std::wstring ConnectedTo(const wchar_t* filterName, const wchar_t* pinId);

}  // namespace testsupport
