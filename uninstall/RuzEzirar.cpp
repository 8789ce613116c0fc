// RuzEzirar: starts the Windows Installer's removal of the product whose code is kept in
// Uninstall.ini in the current directory. No window, no message loop; the exit code is always 0.
#include <windows.h>
#include <shellapi.h>
#include <strsafe.h>

namespace {

constexpr DWORD kPathCapacity = 260;
constexpr DWORD kEntryCapacity = 256;
constexpr wchar_t kIniName[] = L"\\Uninstall.ini";
constexpr wchar_t kInstallerName[] = L"\\msiexec.exe";

// A length returned by GetCurrentDirectoryW or GetSystemDirectoryW: 0 is a failure, and a
// length at or above the capacity is the size the path would have needed.
bool ReportedPathFits(DWORD length) { return length != 0 && length < kPathCapacity; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The current directory, not the launcher's own folder: the shortcut's working folder
    // is the installation folder that holds Uninstall.ini.
    wchar_t currentDir[kPathCapacity];
    if (!ReportedPathFits(GetCurrentDirectoryW(kPathCapacity, currentDir))) return 0;

    wchar_t iniPath[kPathCapacity];
    if (FAILED(StringCchCopyW(iniPath, kPathCapacity, currentDir)) ||
        FAILED(StringCchCatW(iniPath, kPathCapacity, kIniName)))
        return 0;

    // Missing file, section or key all leave the entry empty.
    wchar_t productEntry[kEntryCapacity];
    GetPrivateProfileStringW(L"Uninstall", L"UUID", L"", productEntry, kEntryCapacity, iniPath);

    wchar_t parameters[3 + kEntryCapacity];
    StringCchPrintfW(parameters, ARRAYSIZE(parameters), L"/x %s", productEntry);

    // The installer is started by its full path in the system folder, so that a program of
    // the same name in the current directory is never the one that runs.
    wchar_t installer[kPathCapacity];
    if (!ReportedPathFits(GetSystemDirectoryW(installer, kPathCapacity)) ||
        FAILED(StringCchCatW(installer, kPathCapacity, kInstallerName)))
        return 0;

    ShellExecuteW(nullptr, L"open", installer, parameters, currentDir, SW_SHOWNORMAL);
    return 0;
}
