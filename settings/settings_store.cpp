// Settings store.
#include "settings_store.h"

#include <shlobj.h>
#include <strsafe.h>

#include <cwchar>

WebcamSettings g_settings;
std::function<void(const wchar_t* name)> g_settingWriteObserver;

namespace {

// The settings key opened for `access`, closed when the object goes.
class OpenSettingsKey {
public:
    explicit OpenSettingsKey(REGSAM access) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~OpenSettingsKey() {
        if (m_key) RegCloseKey(m_key);
    }
    OpenSettingsKey(const OpenSettingsKey&) = delete;
    OpenSettingsKey& operator=(const OpenSettingsKey&) = delete;
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

void NotifyWrite(const wchar_t* name) {
    if (g_settingWriteObserver) g_settingWriteObserver(name);
}

// A special folder's path, or the current directory followed by `fallback`; then a trailing
// backslash. Never longer than the destination holds.
void DefaultFolder(int folder, const wchar_t* fallback, wchar_t (&destination)[kPathCapacity]) {
    destination[0] = L'\0';
    PIDLIST_ABSOLUTE item = nullptr;
    bool found = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, &item)) && item &&
                 SHGetPathFromIDListW(item, destination);
    CoTaskMemFree(item);
    if (!found) {
        DWORD length = GetCurrentDirectoryW(kPathCapacity, destination);
        if (length == 0 || length >= kPathCapacity) destination[0] = L'\0';
        StringCchCatW(destination, kPathCapacity, fallback);
    }
    size_t length = wcslen(destination);
    if (length == 0 || destination[length - 1] != L'\\')
        StringCchCatW(destination, kPathCapacity, L"\\");
}

// A stored folder exactly as stored, or the default folder when none or an empty one is stored
// (an empty folder would put the files in the drive's root).
void LoadPath(const wchar_t* name, int folder, const wchar_t* fallback,
              wchar_t (&destination)[kPathCapacity]) {
    if (!ReadSettingString(name, destination) || destination[0] == L'\0')
        DefaultFolder(folder, fallback, destination);
}

}  // namespace

int32_t ReadSettingDword(const wchar_t* name) {
    OpenSettingsKey key(KEY_READ);
    if (!key.get()) return -1;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int32_t>(value);
}

bool ReadSettingString(const wchar_t* name, wchar_t* destination) {
    destination[0] = L'\0';
    OpenSettingsKey key(KEY_READ);
    if (!key.get()) return false;
    // Room for 255 characters and a stored terminator; anything longer fails the query.
    wchar_t text[kSettingCapacity] = {};
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS)
        return false;
    size_t length = size / sizeof(wchar_t);
    while (length > 0 && text[length - 1] == L'\0') --length;  // a stored terminator
    if (length > kSettingCapacity - 1) return false;
    std::wmemcpy(destination, text, length);
    destination[length] = L'\0';
    return true;
}

bool WriteSettingString(const wchar_t* name, const wchar_t* text) {
    OpenSettingsKey key(KEY_WRITE);
    if (!key.get()) return false;
    NotifyWrite(name);
    DWORD bytes = static_cast<DWORD>(wcslen(text) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          bytes) == ERROR_SUCCESS;
}

bool WriteSettingDword(const wchar_t* name, int32_t value) {
    OpenSettingsKey key(KEY_WRITE);
    if (!key.get()) return false;
    NotifyWrite(name);
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data)) == ERROR_SUCCESS;
}

bool StoreSettingDword(const wchar_t* name, int32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return WriteSettingDword(name, value);
}

void LoadStoredOptions() {
    int32_t format = ReadSettingDword(L"CaptureFormat");
    g_settings.captureFormat = format == -1 ? 0 : format;
    int32_t light = ReadSettingDword(L"lightSource");
    g_settings.lightSource = light == -1 ? 1 : light;
    int32_t resolution = ReadSettingDword(L"videoResolution");
    g_settings.videoResolution = resolution == -1 ? 0 : resolution;
    g_settings.recordAtPreviewResolution = ReadSettingDword(L"recordAtPreviewResolution") == 1;
    g_settings.mirrorPicture = ReadSettingDword(L"mirrorPicture") == 1;
    g_settings.keepProportions = ReadSettingDword(L"keepProportions") == 1;
    const int32_t delay = ReadSettingDword(L"photoTimerSeconds");
    g_settings.photoTimerSeconds = 5;
    for (int32_t offered : kPhotoTimerDelays)
        if (delay == offered) g_settings.photoTimerSeconds = delay;
    const int32_t every = ReadSettingDword(L"intervalSeconds");
    g_settings.intervalSeconds = every >= 1 && every <= kMaxIntervalSeconds ? every : 10;
    const int32_t pictures = ReadSettingDword(L"intervalPictures");
    g_settings.intervalPictures = pictures >= 0 ? pictures : 0;
}

void LoadStoredFolders() {
    LoadPath(L"capturePath", CSIDL_MYPICTURES, L"\\MyPictures", g_settings.capturePath);
    LoadPath(L"recordPath", CSIDL_MYVIDEO, L"\\MyVideo", g_settings.recordPath);
}

std::wstring FrameRateValueName(const wchar_t* deviceId) { return std::wstring(deviceId ? deviceId : L"") + L" frame rate"; }
