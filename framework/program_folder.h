// The folder of the running program's file.
#pragma once
#include <string>

// The folder, with its trailing backslash, whatever the length of the path; empty when the
// system cannot tell.
std::wstring ProgramFolder();
