// Scratch folders and small file helpers for the Windows tests.
#include "scratch_directory.h"

#include <windows.h>
#include <shellapi.h>
#include <stdexcept>

namespace testsupport {

std::wstring ExecutableDirectory() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

ScratchDirectory::ScratchDirectory() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        m_path = std::wstring(temp) + L"webcam-test-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(m_path.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a scratch directory");
    }
}

ScratchDirectory::~ScratchDirectory() {
    // SHFileOperation wants a double-terminated list.
    std::wstring from = m_path + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

std::wstring ScratchDirectory::Child(const std::wstring& name) const {
    return m_path + L"\\" + name;
}

std::wstring ScratchDirectory::MakeNestedPathOfLength(size_t length) const {
    std::wstring path = m_path;
    if (length <= path.size() + 1) throw std::invalid_argument("length too short");
    while (path.size() < length) {
        size_t room = length - path.size() - 1;  // characters left after the backslash
        // Never leave a remainder too short for another folder of at least one character.
        size_t part = room > 200 ? 100 : room;
        path += L"\\" + std::wstring(part, L'd');
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a nested directory");
    }
    return path;
}

namespace {

// Writes up to `bytes` of zeros into a new file; stops when the disk is full.
void WriteFiller(const std::wstring& path, uint64_t bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::vector<uint8_t> zeros(65536);
    for (DWORD step = 65536; bytes > 0 && step > 0;) {
        DWORD chunk = bytes > step ? step : static_cast<DWORD>(bytes);
        DWORD written = 0;
        if (!WriteFile(file, zeros.data(), chunk, &written, nullptr) || written == 0) {
            step /= 2;  // the last bits of room take smaller writes
            continue;
        }
        bytes -= written;
    }
    CloseHandle(file);
}

}  // namespace

NearlyFullFolder::NearlyFullFolder(uint64_t freeBytes) {
    wchar_t mount[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(L"WEBCAM_SMALL_FS", mount, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring folder = L"Z:" + std::wstring(mount);
    for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
    folder += L"\\test-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return;
    m_path = folder;
    m_filler = folder + L"\\filler";
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return;
    if (available.QuadPart <= freeBytes) return;
    WriteFiller(m_filler, (available.QuadPart - freeBytes) / 4096 * 4096);
}

void NearlyFullFolder::FillUp() {
    if (!m_path.empty()) WriteFiller(m_path + L"\\rest", UINT64_MAX);
}

NearlyFullFolder::~NearlyFullFolder() {
    if (m_path.empty()) return;
    // A writer may still be closing its file; what stays behind would fill the next test's disk.
    for (const std::wstring& name : FilesIn(m_path)) {
        const std::wstring file = m_path + L"\\" + name;
        if (!DeleteFileW(file.c_str()) && WaitUntilClosed(file)) DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(m_path.c_str());
}

void NearlyFullFolder::Empty() {
    if (!m_filler.empty()) DeleteFileW(m_filler.c_str());
}

bool WaitUntilClosed(const std::wstring& path, unsigned long timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        // Shared with nobody: refused while the writer still holds the file.
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

void WriteTextFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring ReadUtf16File(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    CloseHandle(file);
    text.resize(read / sizeof(wchar_t));
    return text;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace testsupport
