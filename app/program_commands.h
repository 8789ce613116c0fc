// Commands given on the command line. The program that runs carries them out as its buttons
// would; a second start hands its command to that program (WM_COPYDATA to the window marked as
// taking commands) and waits for the outcome, which becomes its exit code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/command_line.h"

// Exit codes: done, refused (its button is disabled, there is no camera, the picture did not
// come or could not be saved), bad arguments.
constexpr int kCommandDone = 0;
constexpr int kCommandRefused = 1;
constexpr int kBadArguments = 2;

// Posted to the main window: carry out the commands waiting.
constexpr UINT WM_PROGRAM_COMMAND = WM_APP + 3;
// Posted to the caller's reply window: wParam the outcome (an exit code).
constexpr UINT WM_COMMAND_OUTCOME = WM_APP + 4;

// What WM_COPYDATA carries (dwData kCommandData): this header, then the capture path's characters
// (no terminator).
constexpr ULONG_PTR kCommandData = 0x57434D44;  // "WCMD"
struct CommandHeader {
    uint32_t command;   // a ProgramCommand
    uint32_t reserved;
    uint64_t replyTo;   // the caller's reply window
};

// A command on its way to be carried out; its outcome goes to `replyTo` (null: it becomes the
// program's exit code).
struct PendingCommand {
    ProgramCommand command = ProgramCommand::None;
    std::wstring capturePath;
    HWND replyTo = nullptr;
};

// The program's exit code: the outcome of the command it was started with.
extern int g_programExitCode;

// The arguments after the program's name.
CommandLine ReadProgramCommandLine();
// Makes the line's "/capture:PATH" path full (from the current directory); false, with the line's
// error set, when its folder does not exist.
bool ResolveCapturePath(CommandLine* line);
// Tells a person about bad arguments, unless the line says /quiet or standard output goes
// somewhere (a script reads the exit code).
void ReportBadArguments(const CommandLine& line);
// Hands `line`'s command to the running program and waits for its outcome: the exit code.
int SendToRunningProgram(const CommandLine& line);

// The window property that marks the main window: what another process (a second start, a
// script) finds it by. Its caption is the user's and changes with what the program does.
constexpr wchar_t kMainWindowMark[] = L"Webcam.TakesCommands";
// The marked window of a running Webcam, or null.
inline HWND FindMainWindow() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM result) -> BOOL {
            if (!GetPropW(hwnd, kMainWindowMark)) return TRUE;
            *reinterpret_cast<HWND*>(result) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
// The running program's side: marks `mainWnd` as the window that takes commands.
void MarkCommandWindow(HWND mainWnd);
// The command a WM_COPYDATA carries; false for anything that is not a well-formed command.
bool ReadCommandMessage(const COPYDATASTRUCT* data, PendingCommand* command);
// Says the outcome of a command to whoever gave it.
void ReplyToCommand(const PendingCommand& command, int outcome);
