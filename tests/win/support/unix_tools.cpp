// Linux programs from tests under Wine.
#include "unix_tools.h"

#include <windows.h>

#include <regex>
#include <sstream>
#include <vector>

#include "scratch_directory.h"

namespace testsupport {

std::string UnixPath(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* path = toUnix(windowsPath.c_str());
    if (!path) return {};
    std::string unixPath = path;
    HeapFree(GetProcessHeap(), 0, path);
    return unixPath;
}

std::string RunUnixShell(const std::string& command) {
    ScratchDirectory work;
    std::wstring script = work.Child(L"run.sh"), output = work.Child(L"output.txt"), done = work.Child(L"done");
    // Wine does not wait for a Linux program through its process handle: the script marks its end.
    WriteTextFile(script, "{ " + command + "\n} > '" + UnixPath(output) + "' 2>&1\necho > '" + UnixPath(done) + "'\n");
    std::string scriptPath = UnixPath(script);
    std::wstring line = L"Z:\\bin\\sh \"" + std::wstring(scriptPath.begin(), scriptPath.end()) + L"\"";
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "cannot start /bin/sh";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (DWORD waited = 0; !FileExists(done) && waited < 120000; waited += 20) Sleep(20);
    std::vector<uint8_t> bytes = ReadBytes(output);
    return std::string(bytes.begin(), bytes.end());
}

std::map<std::string, std::string> ProbeStreams(const std::wstring& file) {
    std::string out = RunUnixShell("ffprobe -v error -count_packets -show_entries "
                                   "stream=index,codec_name,width,height,sample_rate,channels,"
                                   "duration,nb_frames,nb_read_packets -of flat '" +
                                   UnixPath(file) + "'");
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    std::regex entry(R"re(streams\.stream\.(\d+)\.(\w+)="?([^"]*)"?)re");
    std::smatch m;
    while (std::getline(lines, line))
        if (std::regex_match(line, m, entry)) values["stream" + m[1].str() + "." + m[2].str()] = m[3];
    if (values.empty()) values["error"] = out;
    return values;
}

std::vector<double> VideoPictureTimes(const std::wstring& file) {
    std::istringstream lines(RunUnixShell("ffprobe -v error -select_streams v -show_entries packet=pts_time "
                                          "-of csv=p=0 '" + UnixPath(file) + "'"));
    std::vector<double> times;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.find_first_not_of("0123456789.") == std::string::npos) times.push_back(std::stod(line));
    return times;
}

double ProbeNumber(const std::map<std::string, std::string>& values, const std::string& key) {
    auto it = values.find(key);
    return it == values.end() || it->second.empty() || it->second == "N/A" ? -1 : std::stod(it->second);
}

}  // namespace testsupport
