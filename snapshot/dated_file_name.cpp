// Dated file names.
#include "dated_file_name.h"

#include <cwchar>

DWORD ProbeFileName(const std::wstring& name) {
    if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
}

std::wstring UniqueDatedFileName(const wchar_t* folder, const wchar_t* prefix,
                                 const SYSTEMTIME& time, const wchar_t* extension,
                                 size_t maxLength, const NameProbe& probe) {
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04d%02d%02d%02d%02d%02d", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    std::wstring base = std::wstring(folder) + L"\\" + prefix + stamp;
    for (int n = 1; n <= kMaxNameTries; ++n) {
        std::wstring name = base + (n > 1 ? L"-" + std::to_wstring(n) : L"") + L"." + extension;
        if (name.size() > maxLength) return {};
        DWORD error = probe(name);
        if (error == ERROR_SUCCESS) continue;  // taken: try the next number
        // A missing folder frees every name; creating the file then reports the failure.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return name;
        return {};  // no later number can be looked up either
    }
    return {};
}
