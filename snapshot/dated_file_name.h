// File names made of a folder, a prefix and the local date and time, never naming a file that
// exists already: "-2", "-3", ... go before the extension when needed.
#pragma once
#include <windows.h>

#include <string>

// Longest path the programs' file-name buffers hold (259 characters and the terminator).
constexpr size_t kMaxFileName = 259;

// "<folder>\<prefix>YYYYMMDDhhmmss[-n].<extension>": the first that names no existing file.
// A folder ending in a backslash gives two in a row, which the file functions accept. Empty
// when the name would not fit `maxLength` characters.
std::wstring UniqueDatedFileName(const wchar_t* folder, const wchar_t* prefix,
                                 const SYSTEMTIME& time, const wchar_t* extension,
                                 size_t maxLength = kMaxFileName);
