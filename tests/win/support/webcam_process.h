// Webcam.exe started as a separate process, as a user starts it, and found by its window.
#pragma once
#include <windows.h>

#include <string>

namespace testsupport {

class WebcamProcess {
public:
    // Starts `program` (empty: Webcam.exe beside the test) with `currentDirectory` (empty: the
    // test's), its command line `arguments` after the program's name and its standard output
    // going to `output` (none when null, as when a person starts it).
    explicit WebcamProcess(const std::wstring& currentDirectory = {}, const std::wstring& program = {},
                           const std::wstring& arguments = {}, HANDLE output = nullptr);
    ~WebcamProcess();  // ends the process if it still runs (as does the end of the test process)
    WebcamProcess(const WebcamProcess&) = delete;
    WebcamProcess& operator=(const WebcamProcess&) = delete;

    bool started() const { return m_process != nullptr; }
    DWORD id() const { return m_id; }
    // The process's visible main window (found by its mark, as its title changes), waiting up to
    // `timeoutMs`.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000) const;
    // The process's visible top-level window with this caption, waiting up to `timeoutMs`.
    HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMs = 20000) const;
    // Waits for the process to end; true with its exit code when it did within `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

private:
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr;
    DWORD m_id = 0;
};


}  // namespace testsupport
