// The per-user settings: one registry key, the four small operations every part uses on it,
// and the loads of the stored options and folders. User-interface thread only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Root HKEY_CURRENT_USER, this subkey. Created by SaveSettings, and by StoreSettingDword when
// the user changes a view choice before ever saving the options.
constexpr wchar_t kSettingsKeyPath[] = L"Software\\RIROVIR\\ZevuvArivid";

constexpr int kPathCapacity = 260;     // capturePath, recordPath: 259 characters and the NUL
constexpr int kSettingCapacity = 256;  // a setting text: 255 characters and the NUL

struct WebcamSettings {
    int32_t captureFormat;    // 1 BMP, 0 JPEG
    int32_t lightSource;      // 0 50 Hz, 1 60 Hz
    int32_t videoResolution;  // 0 or 1
    int32_t recordAtPreviewResolution;  // 1: Record keeps the preview's size, 0: 640 x 480
    int32_t mirrorPicture;     // 1: the preview is shown mirrored left to right
    int32_t keepProportions;   // 1: the preview keeps the picture's proportions
    int32_t photoTimerSeconds;  // the photo timer's delay: 2, 5 or 10
    int32_t intervalSeconds;   // pictures at intervals: one every 1 to 86 400 seconds,
    int32_t intervalPictures;  // up to this many (0: no limit)
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
// The value of a camera's chosen frame rate, beside its resolution (the value named by its
// device ID): "<device ID> frame rate", frames a second, 0 for the highest.
std::wstring FrameRateValueName(const wchar_t* deviceId);
// Stores a choice the user made outside the options dialog, creating the key when needed.
bool StoreSettingDword(const wchar_t* name, int32_t value);

// The numbers (CaptureFormat, lightSource, videoResolution, recordAtPreviewResolution, and the
// view, timer and interval choices), each replaced by its default when absent or out of range.
void LoadStoredOptions();
constexpr int32_t kMaxIntervalSeconds = 86400;
// The photo timer's delays on offer.
constexpr int32_t kPhotoTimerDelays[] = {2, 5, 10};

// The two folders, each replaced by the user's Pictures or Videos folder when absent or empty.
void LoadStoredFolders();

// Tests watch the order of the writes through this (null: nobody watches).
extern std::function<void(const wchar_t* name)> g_settingWriteObserver;
