// Command-line commands between two starts of the program.
#include "program_commands.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/ui_texts.h"
#include "resources/resource.h"

int g_programExitCode = kCommandDone;

namespace {

constexpr DWORD kFindWindowMs = 10000;  // the running program may still be starting
constexpr DWORD kOutcomeMs = 30000;  // a preview to start and its first picture to come
constexpr size_t kMaxPath = 32767;

HWND FindCommandWindow() {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindMainWindow();
        if (found || GetTickCount() - start > kFindWindowMs) return found;
        Sleep(50);
    }
}

// A message-only window that the outcome is posted to.
HWND CreateReplyWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WebcamCommandReply";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

int WaitForOutcome(HWND replyWindow, HWND program) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == replyWindow && msg.message == WM_COMMAND_OUTCOME) return static_cast<int>(msg.wParam);
            DispatchMessageW(&msg);
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= kOutcomeMs || !IsWindow(program)) return kCommandRefused;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(200, kOutcomeMs - waited), QS_ALLINPUT);
    }
}

bool OutputRedirected() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output && output != INVALID_HANDLE_VALUE && GetFileType(output) != FILE_TYPE_UNKNOWN;
}

}  // namespace

CommandLine ReadProgramCommandLine() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    LocalFree(argv);
    return ParseCommandLine(arguments);
}

bool ResolveCapturePath(CommandLine* line) {
    std::vector<wchar_t> full(kMaxPath + 1);
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(line->capturePath.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0 || length >= full.size() || !name) {
        line->SetError(ArgumentError::NoFileName, line->capturePath);
        return false;
    }
    const std::wstring folder(full.data(), name);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        line->SetError(ArgumentError::NoFolder, folder);
        return false;
    }
    line->capturePath.assign(full.data(), length);
    return true;
}

void ReportBadArguments(const CommandLine& line) {
    if (line.quiet || OutputRedirected()) return;
    UINT why = IDS_ARGUMENT_UNKNOWN;
    switch (line.error) {
        case ArgumentError::TwoCommands: why = IDS_ARGUMENT_TWO_COMMANDS; break;
        case ArgumentError::NoFileName: why = IDS_ARGUMENT_NO_FILE_NAME; break;
        case ArgumentError::FileType: why = IDS_ARGUMENT_FILE_TYPE; break;
        case ArgumentError::NoFolder: why = IDS_ARGUMENT_NO_FOLDER; break;
        default: break;
    }
    const std::wstring text = Text(why, {line.errorDetail}) + L"\r\n\r\n" + Text(IDS_ARGUMENT_USAGE);
    MessageBoxW(nullptr, text.c_str(), Text(IDS_ARGUMENT_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

int SendToRunningProgram(const CommandLine& line) {
    HWND program = FindCommandWindow();
    HWND replyWindow = program ? CreateReplyWindow() : nullptr;
    if (!replyWindow) return kCommandRefused;
    std::vector<uint8_t> message(sizeof(CommandHeader) + line.capturePath.size() * sizeof(wchar_t));
    const CommandHeader header{static_cast<uint32_t>(line.command), 0,
                               static_cast<uint64_t>(reinterpret_cast<uintptr_t>(replyWindow))};
    std::memcpy(message.data(), &header, sizeof(header));
    std::memcpy(message.data() + sizeof(header), line.capturePath.data(), line.capturePath.size() * sizeof(wchar_t));
    COPYDATASTRUCT data{kCommandData, static_cast<DWORD>(message.size()), message.data()};
    DWORD_PTR accepted = FALSE;
    int outcome = kCommandRefused;
    if (SendMessageTimeoutW(program, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWindow),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kFindWindowMs, &accepted) &&
        accepted)
        outcome = WaitForOutcome(replyWindow, program);
    DestroyWindow(replyWindow);
    return outcome;
}

void MarkCommandWindow(HWND mainWnd) { SetPropW(mainWnd, kMainWindowMark, reinterpret_cast<HANDLE>(1)); }

bool ReadCommandMessage(const COPYDATASTRUCT* data, PendingCommand* command) {
    if (!data || data->dwData != kCommandData || !data->lpData || data->cbData < sizeof(CommandHeader) ||
        (data->cbData - sizeof(CommandHeader)) % sizeof(wchar_t) != 0 ||
        (data->cbData - sizeof(CommandHeader)) / sizeof(wchar_t) > kMaxPath)
        return false;
    CommandHeader header;
    std::memcpy(&header, data->lpData, sizeof(header));
    const auto kind = static_cast<ProgramCommand>(header.command);
    if (kind != ProgramCommand::Preview && kind != ProgramCommand::Capture && kind != ProgramCommand::Record &&
        kind != ProgramCommand::Stop && kind != ProgramCommand::Close)
        return false;
    HWND replyTo = reinterpret_cast<HWND>(static_cast<uintptr_t>(header.replyTo));
    if (!IsWindow(replyTo)) return false;
    const size_t characters = (data->cbData - sizeof(CommandHeader)) / sizeof(wchar_t);
    command->command = kind;
    command->capturePath.resize(characters);
    std::memcpy(command->capturePath.data(), static_cast<const uint8_t*>(data->lpData) + sizeof(header),
                characters * sizeof(wchar_t));
    command->replyTo = replyTo;
    // Only a full path, as the caller resolves it: a relative one would mean the running
    // program's current folder.
    const std::wstring& path = command->capturePath;
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return kind == ProgramCommand::Capture ? path.empty() || ((drive || share) && IsPictureFileName(path))
                                           : path.empty();
}

void ReplyToCommand(const PendingCommand& command, int outcome) {
    if (command.replyTo)
        PostMessageW(command.replyTo, WM_COMMAND_OUTCOME, static_cast<WPARAM>(outcome), 0);
    else
        g_programExitCode = outcome;
}
