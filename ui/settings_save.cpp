// The options dialog's save.
#include "settings_save.h"

#include <windows.h>

#include "devices/device_catalogue.h"
#include "settings/settings_store.h"

void SaveSettings(const SelectionToSave& selection) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr);
    WriteSettingDword(L"lightSource", g_settings.lightSource);
    WriteSettingString(L"capturePath", g_settings.capturePath);
    WriteSettingString(L"recordPath", g_settings.recordPath);
    WriteSettingDword(L"CaptureFormat", g_settings.captureFormat);
    WriteSettingDword(L"videoResolution", g_settings.videoResolution);
    WriteSettingDword(L"recordAtPreviewResolution", g_settings.recordAtPreviewResolution);
    WriteSettingDword(L"photoTimerSeconds", g_settings.photoTimerSeconds);
    WriteSettingDword(L"intervalSeconds", g_settings.intervalSeconds);
    WriteSettingDword(L"intervalPictures", g_settings.intervalPictures);
    if (selection.camera) {
        WriteSettingString(L"videoDeviceName", g_videoDeviceName);
        WriteSettingString(L"videoDeviceID", g_videoDeviceID);
    }
    if (selection.audioDevice) WriteSettingString(L"audioDeviceName", g_audioDeviceName);
    if (selection.audioInputText) WriteSettingString(g_audioDeviceName, selection.audioInputText);
    if (selection.resolutionText) WriteSettingString(g_videoDeviceID, selection.resolutionText);
    if (selection.frameRate >= 0) WriteSettingDword(FrameRateValueName(g_videoDeviceID).c_str(), selection.frameRate);
    if (key) RegCloseKey(key);
}
