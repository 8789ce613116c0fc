// Command-line commands carried out by the main window as its buttons would be: nothing while
// the button is disabled; the outcome goes back to whoever gave the command.
#pragma once
#include <windows.h>

#include "app/program_commands.h"

void RunProgramCommand(HWND mainWnd, const PendingCommand& command);
