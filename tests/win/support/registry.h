// Registry helpers for tests: the program's settings key, raw values, and the camera driver
// key the flag check reads.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

extern const wchar_t kSettingsKey[];
extern const wchar_t kDriverKey[];

void DeleteKey(HKEY root, const wchar_t* path);
bool KeyExists(HKEY root, const wchar_t* path);
void SetString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value,
               bool withTerminator = true);
void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value);
// The raw bytes of a value, or nothing when it is missing.
bool RawValue(HKEY root, const wchar_t* path, const wchar_t* name, std::vector<BYTE>* bytes,
              DWORD* type = nullptr);
std::wstring StringValue(HKEY root, const wchar_t* path, const wchar_t* name);
DWORD DwordValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD missing = 0xDEADBEEF);

// How often the driver tool stand-in has been started.
DWORD DriverToolStarts();
void ResetDriverToolStarts();

}  // namespace testsupport
