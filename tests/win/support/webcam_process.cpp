// Running Webcam.exe from the tests.
#include "webcam_process.h"

#include <vector>

#include "app/program_commands.h"
#include "scratch_directory.h"
#include "ui_helpers.h"

namespace testsupport {

WebcamProcess::WebcamProcess(const std::wstring& currentDirectory, const std::wstring& program,
                             const std::wstring& arguments, HANDLE output) {
    std::wstring command = L"\"" + (program.empty() ? ExecutableDirectory() + L"Webcam.exe" : program) + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    std::vector<wchar_t> mutableCommand(command.begin(), command.end());
    mutableCommand.push_back(L'\0');
    // The program lives in a job that ends it when the job's last handle closes: also when
    // the test process itself is ended (a test that hung), so that no program outlives its test.
    m_job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (m_job) SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    // No standard handles but those given: as a person starts it (not the test's own).
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    si.hStdError = output;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, mutableCommand.data(), nullptr, nullptr, output != nullptr, CREATE_SUSPENDED, nullptr,
                       currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &pi)) {
        if (m_job) AssignProcessToJobObject(m_job, pi.hProcess);
        ResumeThread(pi.hThread);
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_id = pi.dwProcessId;
    }
}

WebcamProcess::~WebcamProcess() {
    if (m_process) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process, 99);
            WaitForSingleObject(m_process, 5000);
        }
        CloseHandle(m_process);
    }
    if (m_job) CloseHandle(m_job);
}

namespace {

// A visible top-level window of the process: with this caption, or (no caption) the main
// window's mark.
struct Search {
    DWORD pid;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (search->caption ? WindowText(hwnd) != search->caption : !GetPropW(hwnd, kMainWindowMark)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND WaitForProcessWindow(HANDLE process, DWORD pid, const wchar_t* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Search search{pid, caption, nullptr};
        EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (WaitForSingleObject(process, 20) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
}

}  // namespace

HWND WebcamProcess::WaitForMainWindow(DWORD timeoutMs) const {
    return WaitForProcessWindow(m_process, m_id, nullptr, timeoutMs);
}

HWND WebcamProcess::WaitForWindow(const wchar_t* caption, DWORD timeoutMs) const {
    return WaitForProcessWindow(m_process, m_id, caption, timeoutMs);
}

bool WebcamProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(m_process, exitCode);
    return true;
}

}  // namespace testsupport
