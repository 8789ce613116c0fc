// A fresh, uniquely named folder under the prefix's temporary folder, removed with its contents
// when the test ends. Also the folder that holds this test executable and its siblings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Folder of the running test executable, with a trailing backslash.
std::wstring ExecutableDirectory();

class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::wstring& path() const { return m_path; }
    // path() + "\" + name
    std::wstring Child(const std::wstring& name) const;
    // Creates nested folders below path() until the full path is exactly `length` characters.
    std::wstring MakeNestedPathOfLength(size_t length) const;

private:
    std::wstring m_path;
};

// A folder on the small file system the test command mounts (its Linux path in
// WEBCAM_SMALL_FS), with a filler file leaving about `freeBytes` free; path() is empty when no
// such file system was mounted. Both go when the object does.
class NearlyFullFolder {
public:
    explicit NearlyFullFolder(uint64_t freeBytes);
    ~NearlyFullFolder();
    NearlyFullFolder(const NearlyFullFolder&) = delete;
    NearlyFullFolder& operator=(const NearlyFullFolder&) = delete;

    const std::wstring& path() const { return m_path; }
    // Frees the filler's space again.
    void Empty();
    // Takes the rest of the space too, as another program filling the disk would.
    void FillUp();

private:
    std::wstring m_path;
    std::wstring m_filler;
};

void WriteTextFile(const std::wstring& path, const std::string& content);
// The file's bytes as UTF-16 text; empty when the file cannot be read.
std::wstring ReadUtf16File(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Waits until no process has the file open any more (its writer finished); false on timeout.
bool WaitUntilClosed(const std::wstring& path, unsigned long timeoutMs = 10000);
// Names of the files (not folders) in `folder`.
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::wstring& path);

}  // namespace testsupport
