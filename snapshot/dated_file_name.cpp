// Dated file names.
#include "dated_file_name.h"

#include <cwchar>

std::wstring UniqueDatedFileName(const wchar_t* folder, const wchar_t* prefix,
                                 const SYSTEMTIME& time, const wchar_t* extension,
                                 size_t maxLength) {
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04d%02d%02d%02d%02d%02d", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    std::wstring base = std::wstring(folder) + L"\\" + prefix + stamp;
    for (int n = 1; n < 100000; ++n) {
        std::wstring name = base + (n > 1 ? L"-" + std::to_wstring(n) : L"") + L"." + extension;
        if (name.size() > maxLength) return {};
        if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        DWORD error = GetLastError();
        // A missing folder frees every name; creating the file then reports the failure.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return name;
    }
    return {};
}
