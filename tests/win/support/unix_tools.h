// Linux programs started from a test under Wine (ffprobe and ffmpeg as independent readers of
// recordings): Wine runs a Linux executable given by its Z: path; what it prints goes to a file.
#pragma once
#include <string>

namespace testsupport {

// The Linux path of a Windows path, or empty when Wine cannot tell.
std::string UnixPath(const std::wstring& windowsPath);
// Runs `command` with /bin/sh and returns what it printed (standard output and error).
std::string RunUnixShell(const std::string& command);

}  // namespace testsupport
