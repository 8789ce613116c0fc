// Registry helpers for tests.
#include "registry.h"

namespace testsupport {

const wchar_t kSettingsKey[] = L"Software\\RIROVIR\\ZevuvArivid";
const wchar_t kDriverKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";

void DeleteKey(HKEY root, const wchar_t* path) { RegDeleteTreeW(root, path); RegDeleteKeyW(root, path); }

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value,
               bool withTerminator) {
    HKEY key;
    RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    // Wine stores a terminator the caller left out when one follows in memory; a character
    // after the text keeps the stored value really unterminated.
    std::wstring data = value + (withTerminator ? L'\0' : L'X');
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((value.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
    HKEY key;
    RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

bool RawValue(HKEY root, const wchar_t* path, const wchar_t* name, std::vector<BYTE>* bytes,
              DWORD* type) {
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        bytes->resize(size);
        RegQueryValueExW(key, name, nullptr, type, bytes->data(), &size);
    }
    RegCloseKey(key);
    return found;
}

std::wstring StringValue(HKEY root, const wchar_t* path, const wchar_t* name) {
    std::vector<BYTE> bytes;
    if (!RawValue(root, path, name, &bytes)) return L"<missing>";
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

DWORD DwordValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD missing) {
    std::vector<BYTE> bytes;
    if (!RawValue(root, path, name, &bytes) || bytes.size() != sizeof(DWORD)) return missing;
    return *reinterpret_cast<const DWORD*>(bytes.data());
}

DWORD DriverToolStarts() {
    return DwordValue(HKEY_CURRENT_USER, L"Software\\WebcamTest\\DriverTool", L"Starts", 0);
}

void ResetDriverToolStarts() { DeleteKey(HKEY_CURRENT_USER, L"Software\\WebcamTest\\DriverTool"); }

}  // namespace testsupport
