// The program's folder.
#include "program_folder.h"

#include <windows.h>

#include "framework/module_path_answer.h"

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        ModulePathAnswer answer = ReadModulePathAnswer(length, path.size());
        if (answer == ModulePathAnswer::Failed) return {};
        if (answer == ModulePathAnswer::Complete) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}
