// The per-user settings: one registry key, the four small operations every part uses on it,
// the start-up load with the camera driver flag check, and the save the options dialog makes.
// User-interface thread only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

// Root HKEY_CURRENT_USER, this subkey. Created only by SaveSettings.
constexpr wchar_t kSettingsKeyPath[] = L"Software\\RIROVIR\\ZevuvArivid";

constexpr int kPathCapacity = 260;     // capturePath, recordPath: 259 characters and the NUL
constexpr int kSettingCapacity = 256;  // a setting text: 255 characters and the NUL

struct WebcamSettings {
    int32_t captureFormat;    // 1 BMP, 0 JPEG
    int32_t lightSource;      // 0 50 Hz, 1 60 Hz
    int32_t videoResolution;  // 0 or 1
    wchar_t capturePath[kPathCapacity];
    wchar_t recordPath[kPathCapacity];
};

extern WebcamSettings g_settings;

// The stored 32 bits, or -1 when the key or the value cannot be read (or is longer than 4
// bytes). A stored value with all bits set therefore reads as absent.
int32_t ReadSettingDword(const wchar_t* name);
// Reads a text of at most 255 characters into `destination` (kSettingCapacity units), ending it
// after the stored characters. False, with `destination` empty, when the key or value cannot be
// read or the text is longer.
bool ReadSettingString(const wchar_t* name, wchar_t* destination);
// Store `text` without its terminator; never create the key. False when it was not stored.
bool WriteSettingString(const wchar_t* name, const wchar_t* text);
bool WriteSettingDword(const wchar_t* name, int32_t value);

// Loads every setting with its defaults and moves the device selection to the stored devices,
// after the driver flag check. `runCloseSequence` is the main window's close-time teardown, run
// when the user agrees to restart the system.
void LoadSettings(const std::function<void()>& runCloseSequence);
// The camera driver flag check: when the flag cannot be read, starts the tool that sets it and
// asks the user to restart.
void DriverFlagCheck(const std::function<void()>& runCloseSequence);

// What a save writes of the selection: a device or text that was not chosen keeps its stored
// values (null texts are not written).
struct SelectionToSave {
    bool camera = true;
    bool audioDevice = true;
    const wchar_t* audioInputText = nullptr;
    const wchar_t* resolutionText = nullptr;
};

// Saves every setting and the selection, creating the key when needed, in this order:
// lightSource, capturePath, recordPath, CaptureFormat, videoResolution, videoDeviceName,
// videoDeviceID, audioDeviceName, then the audio device's input line and the camera's
// resolution text under the device's own value names.
void SaveSettings(const SelectionToSave& selection);

// Tests watch the order of the writes through this (null: nobody watches).
extern std::function<void(const wchar_t* name)> g_settingWriteObserver;
