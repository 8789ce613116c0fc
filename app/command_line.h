// Webcam's command line: one command for the program (started now or already running) and
// "/quiet". Portable: no Windows header.
#pragma once
#include <string>
#include <vector>

enum class ProgramCommand { None, Preview, Capture, Record, Stop, Close };

// Why arguments are bad: an unknown switch, two commands, no file name after "/capture:", a file
// that is no picture, a folder that does not exist.
enum class ArgumentError { None, Unknown, TwoCommands, NoFileName, FileType, NoFolder };

struct CommandLine {
    ProgramCommand command = ProgramCommand::None;
    std::wstring capturePath;  // "/capture:PATH": the picture's file, as given
    bool quiet = false;        // no message box about bad arguments
    ArgumentError error = ArgumentError::None;
    std::wstring errorDetail;  // the argument, path or folder it is about, cut where it is long

    bool Bad() const { return error != ArgumentError::None; }
    void SetError(ArgumentError why, const std::wstring& about);
};

// Switches start with '/' or '-' and are read in any case: "/preview", "/capture",
// "/capture:PATH" (PATH ending in .bmp, .jpg or .jpeg), "/record", "/stop", "/close", "/quiet".
// At most one command; anything else is an error.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// Whether `path` names a picture file: it ends in .bmp, .jpg or .jpeg (in any case) after a name,
// and holds no NUL character.
bool IsPictureFileName(const std::wstring& path);

// The text a command is sent as to the running program, and back; ProgramCommand::None for any
// other text.
const wchar_t* CommandName(ProgramCommand command);
ProgramCommand CommandNamed(const std::wstring& name);
