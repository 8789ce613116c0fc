// Linux programs started from a test under Wine (ffprobe and ffmpeg as independent readers of
// recordings): Wine runs a Linux executable given by its Z: path; what it prints goes to a file.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// The Linux path of a Windows path, or empty when Wine cannot tell.
std::string UnixPath(const std::wstring& windowsPath);
// Runs `command` with /bin/sh and returns what it printed (standard output and error).
std::string RunUnixShell(const std::string& command);

// ffprobe's facts about a file's streams (codec_name, width, height, sample_rate, channels,
// duration, nb_frames, nb_read_packets) as "stream<index>.<key>"; "error" holds what it said
// when it found none.
std::map<std::string, std::string> ProbeStreams(const std::wstring& file);
// The times (seconds) of the pictures of a file's video stream, in order; a repeated frame (an
// empty packet) is none.
std::vector<double> VideoPictureTimes(const std::wstring& file);
// A number of ProbeStreams' result, or -1 when it has none.
double ProbeNumber(const std::map<std::string, std::string>& values, const std::string& key);

}  // namespace testsupport
