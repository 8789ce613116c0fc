// Process trees held in a job object.
#include "process_tree.h"

#include <windows.h>
#include <vector>

namespace testsupport {

namespace {

DWORD ActiveProcesses(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info),
                                   nullptr))
        return 0;
    return info.ActiveProcesses;
}

}  // namespace

ProcessResult RunProcessTree(const std::wstring& commandLine, const std::wstring& currentDirectory,
                             unsigned long timeoutMs) {
    ProcessResult result;
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return result;

    std::vector<wchar_t> mutableCommand(commandLine.begin(), commandLine.end());
    mutableCommand.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, mutableCommand.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                       nullptr, currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si,
                       &pi)) {
        AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
        WaitForSingleObject(pi.hProcess, timeoutMs);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        result.started = true;
        // Children started by the program belong to the job too.
        DWORD waited = 0;
        while (ActiveProcesses(job) != 0 && waited < timeoutMs) {
            Sleep(10);
            waited += 10;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(job);
    return result;
}

}  // namespace testsupport
