// The start-up load of the settings.
#include "startup_settings.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "devices/device_catalogue.h"
#include "framework/program_folder.h"
#include "settings/settings_store.h"
#include "ui/restart_dlg.h"

namespace {

constexpr wchar_t kDriverKeyPath[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr wchar_t kDriverTool[] = L"Zuduzizuzu.exe";

// The stored camera (by device ID) and audio device (by name) become the selection when they
// are in the tables.
void SelectStoredDevices() {
    wchar_t stored[kSettingCapacity];
    ReadSettingString(L"videoDeviceID", stored);
    int camera = FindVideoDeviceById(stored);
    if (camera >= 0) g_videoDeviceIndex = camera;
    CopyName(g_videoDeviceName, g_videoDevices[g_videoDeviceIndex].friendlyName);
    CopyName(g_videoDeviceID, g_videoDevices[g_videoDeviceIndex].deviceId);

    ReadSettingString(L"audioDeviceName", stored);
    int audio = FindAudioDeviceByName(stored);
    if (audio >= 0) g_audioDeviceIndex = audio;
    CopyName(g_audioDeviceName, g_audioDevices[g_audioDeviceIndex].friendlyName);
}

}  // namespace

void DriverFlagCheck(const std::function<void()>& runCloseSequence) {
    HKEY driver = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriverKeyPath, 0, KEY_READ, &driver) != ERROR_SUCCESS)
        return;
    DWORD flags = 0;
    DWORD size = sizeof(flags);
    int32_t value = RegQueryValueExW(driver, L"UvcFlags", nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(&flags), &size) == ERROR_SUCCESS
                        ? static_cast<int32_t>(flags)
                        : -1;
    RegCloseKey(driver);
    if (value != -1) return;

    std::wstring folder = ProgramFolder();
    if (folder.empty()) return;
    std::wstring tool = folder + kDriverTool;
    auto started = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", tool.c_str(), nullptr, nullptr, SW_HIDE));
    if (started <= 32) return;  // the tool could not be started: no changes were made

    CRestartDlg prompt;
    INT_PTR answer = prompt.DoModal();
    if (answer == IDOK) {
        g_restartPending = 1;
        runCloseSequence();
    } else if (answer == IDCANCEL) {
        g_restartPending = 0;
    }
}

void LoadSettings(const std::function<void()>& runCloseSequence) {
    DriverFlagCheck(runCloseSequence);
    LoadStoredOptions();
    SelectStoredDevices();
    LoadStoredFolders();
}
