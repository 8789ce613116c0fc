// What a shell command writes to its standard output, for the native tests that read files
// back with ffmpeg and ffprobe.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::vector<uint8_t> CommandOutput(const std::string& command) {
    std::vector<uint8_t> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) out.insert(out.end(), buffer, buffer + n);
    pclose(pipe);
    return out;
}
