// The device catalogue and selection.
#include "device_catalogue.h"

#include <cstring>
#include <cwchar>

VideoDeviceInfo g_videoDevices[kMaxDevices];
int g_videoDeviceCount = 0;
AudioDeviceInfo g_audioDevices[kMaxDevices];
int g_audioDeviceCount = 0;

int g_videoDeviceIndex = 0;
wchar_t g_videoDeviceName[kNameCapacity];
wchar_t g_videoDeviceID[kNameCapacity];
int g_audioDeviceIndex = 0;
wchar_t g_audioDeviceName[kNameCapacity];
int g_audioInputIndex = 0;

void ResetDeviceTables() {
    std::memset(g_videoDevices, 0, sizeof(g_videoDevices));
    std::memset(g_audioDevices, 0, sizeof(g_audioDevices));
    g_videoDeviceCount = 0;
    g_audioDeviceCount = 0;
}

void SelectFirstDevices() {
    g_videoDeviceIndex = 0;
    CopyName(g_videoDeviceName, g_videoDevices[0].friendlyName);
    CopyName(g_videoDeviceID, g_videoDevices[0].deviceId);
    g_audioDeviceIndex = 0;
    CopyName(g_audioDeviceName, g_audioDevices[0].friendlyName);
    g_audioInputIndex = 0;
}

void CopyName(wchar_t (&destination)[kNameCapacity], const wchar_t* source) {
    size_t length = source ? std::wcslen(source) : 0;
    if (length > kNameCapacity - 1) length = kNameCapacity - 1;
    if (length) std::wmemmove(destination, source, length);
    destination[length] = L'\0';
}

int FindVideoDeviceById(const wchar_t* id) {
    for (int i = 0; i < g_videoDeviceCount; ++i)
        if (std::wcscmp(g_videoDevices[i].deviceId, id) == 0) return i;
    return -1;
}

int FindAudioDeviceByName(const wchar_t* name) {
    for (int i = 0; i < g_audioDeviceCount; ++i)
        if (std::wcscmp(g_audioDevices[i].friendlyName, name) == 0) return i;
    return -1;
}
