// Runs a program and waits for it and every process it started, so that a test can check what
// the whole tree did without sleeping.
#pragma once
#include <string>

namespace testsupport {

struct ProcessResult {
    bool started = false;
    unsigned long exitCode = 0;
};

// Starts `commandLine` in `currentDirectory` inside a job object and waits (at most
// `timeoutMs`) until no process of the job is left. The exit code is the first process's.
ProcessResult RunProcessTree(const std::wstring& commandLine, const std::wstring& currentDirectory,
                             unsigned long timeoutMs = 30000);

}  // namespace testsupport
