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

void WriteTextFile(const std::wstring& path, const std::string& content);
// The file's bytes as UTF-16 text; empty when the file cannot be read.
std::wstring ReadUtf16File(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Names of the files (not folders) in `folder`.
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::wstring& path);

}  // namespace testsupport
