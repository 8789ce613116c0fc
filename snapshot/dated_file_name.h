// File names made of a folder, a prefix and the local date and time, never naming a file that
// exists already: "-2", "-3", ... go before the extension when needed.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Longest path the programs' file-name buffers hold (259 characters and the terminator).
constexpr size_t kMaxFileName = 259;
// How many numbered names are tried before giving up.
constexpr int kMaxNameTries = 1000;

// How a name stands: ERROR_SUCCESS when a file or folder has it, else the error of looking it
// up (ERROR_FILE_NOT_FOUND for a free name). By default GetFileAttributesW.
using NameProbe = std::function<DWORD(const std::wstring& name)>;
DWORD ProbeFileName(const std::wstring& name);

// "<folder>\<prefix>YYYYMMDDhhmmss[-n].<extension>": the first that names no existing file.
// A folder ending in a backslash gives two in a row, which the file functions accept. Empty
// when the name would not fit `maxLength` characters, when a name cannot be looked up (an
// invalid folder name), or after kMaxNameTries taken names.
std::wstring UniqueDatedFileName(const wchar_t* folder, const wchar_t* prefix,
                                 const SYSTEMTIME& time, const wchar_t* extension,
                                 size_t maxLength = kMaxFileName,
                                 const NameProbe& probe = ProbeFileName);
