// Command line parsing.
#include "command_line.h"

#include <cwctype>
#include <iterator>

namespace {

constexpr size_t kMaxPath = 32767;  // the longest path Windows takes
constexpr size_t kShownCharacters = 60;  // of a bad argument, in the message

const struct {
    ProgramCommand command;
    const wchar_t* name;
} kCommands[] = {{ProgramCommand::Preview, L"preview"},
                 {ProgramCommand::Capture, L"capture"},
                 {ProgramCommand::Record, L"record"},
                 {ProgramCommand::Stop, L"stop"},
                 {ProgramCommand::Close, L"close"}};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool EndsWith(const std::wstring& text, const wchar_t* end) {
    const std::wstring tail(end);
    return text.size() > tail.size() && Lower(text.substr(text.size() - tail.size())) == tail;
}

// An argument as a message shows it: cut where it is long.
std::wstring Shown(const std::wstring& argument) {
    return argument.size() <= kShownCharacters ? argument : argument.substr(0, kShownCharacters) + L"...";
}

}  // namespace

void CommandLine::SetError(ArgumentError why, const std::wstring& about) {
    error = why;
    errorDetail = Shown(about);
}

bool IsPictureFileName(const std::wstring& path) {
    return path.find(L'\0') == std::wstring::npos &&
           (EndsWith(path, L".bmp") || EndsWith(path, L".jpg") || EndsWith(path, L".jpeg"));
}

const wchar_t* CommandName(ProgramCommand command) {
    for (const auto& entry : kCommands)
        if (entry.command == command) return entry.name;
    return L"";
}

ProgramCommand CommandNamed(const std::wstring& name) {
    for (const auto& entry : kCommands)
        if (name == entry.name) return entry.command;
    return ProgramCommand::None;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    // Wherever it stands, also after a bad argument.
    for (const std::wstring& argument : arguments)
        if (argument.size() == 6 && (argument[0] == L'/' || argument[0] == L'-') && Lower(argument.substr(1)) == L"quiet")
            line.quiet = true;
    for (const std::wstring& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
            line.SetError(ArgumentError::Unknown, argument);
            return line;
        }
        const size_t colon = argument.find(L':');
        const std::wstring name = Lower(argument.substr(1, colon == std::wstring::npos ? std::wstring::npos : colon - 1));
        if (name == L"quiet" && colon == std::wstring::npos) continue;
        const ProgramCommand command = CommandNamed(name);
        if (command == ProgramCommand::None || (colon != std::wstring::npos && command != ProgramCommand::Capture)) {
            line.SetError(ArgumentError::Unknown, argument);
            return line;
        }
        if (line.command != ProgramCommand::None) {
            line.SetError(ArgumentError::TwoCommands, {});
            return line;
        }
        line.command = command;
        if (colon == std::wstring::npos) continue;
        line.capturePath = argument.substr(colon + 1);
        if (line.capturePath.empty() || line.capturePath.size() >= kMaxPath) {
            line.SetError(ArgumentError::NoFileName, line.capturePath);
            return line;
        }
        if (!IsPictureFileName(line.capturePath)) {
            line.SetError(ArgumentError::FileType, line.capturePath);
            return line;
        }
    }
    return line;
}
