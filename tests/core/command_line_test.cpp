// The command line: what each argument list asks for, and every bad one refused with a reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

TEST(CommandLine, EachArgumentListAsksForItsCommand) {
    const struct {
        std::vector<std::wstring> arguments;
        ProgramCommand command;
        std::wstring path;
        bool quiet;
    } cases[] = {
        {{}, ProgramCommand::None, L"", false},
        {{L"/preview"}, ProgramCommand::Preview, L"", false},
        {{L"-RECORD"}, ProgramCommand::Record, L"", false},
        {{L"/Stop", L"/quiet"}, ProgramCommand::Stop, L"", true},
        {{L"/quiet", L"/close"}, ProgramCommand::Close, L"", true},
        {{L"/capture"}, ProgramCommand::Capture, L"", false},
        {{L"/capture:C:\\Shots\\a b.JPG"}, ProgramCommand::Capture, L"C:\\Shots\\a b.JPG", false},
        {{L"/CAPTURE:shot.jpeg"}, ProgramCommand::Capture, L"shot.jpeg", false},
        {{L"/capture:..\\x:y.bmp"}, ProgramCommand::Capture, L"..\\x:y.bmp", false},  // the first colon ends the name
        {{L"/quiet"}, ProgramCommand::None, L"", true},
    };
    for (const auto& c : cases) {
        CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.error, L"") << c.arguments.size();
        EXPECT_EQ(line.command, c.command);
        EXPECT_EQ(line.capturePath, c.path);
        EXPECT_EQ(line.quiet, c.quiet);
    }
}

TEST(CommandLine, BadArgumentsAreRefusedWithAReasonThatStaysShort) {
    const std::wstring longName(100000, L'a');
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring errorStart;
    } cases[] = {
        {{L"/frobnicate"}, L"Unknown argument: /frobnicate"},
        {{L"preview"}, L"Unknown argument: preview"},
        {{L"/"}, L"Unknown argument: /"},
        {{L""}, L"Unknown argument: "},
        {{L"/stop:now"}, L"Unknown argument: /stop:now"},
        {{L"/quiet:yes"}, L"Unknown argument: /quiet:yes"},
        {{L"/preview", L"/record"}, L"Give one command at a time."},
        {{L"/capture", L"/capture:a.bmp"}, L"Give one command at a time."},
        {{L"/capture:"}, L"No usable file name after /capture: "},
        {{L"/capture:" + longName + L".bmp"}, L"No usable file name after /capture: aaaa"},
        {{L"/capture:shot.png"}, L"The picture's file must end in .bmp, .jpg or .jpeg: shot.png"},
        {{L"/capture:.bmp"}, L"The picture's file must end in .bmp, .jpg or .jpeg: .bmp"},
        {{L"/" + longName}, L"Unknown argument: /aaaa"},
    };
    for (const auto& c : cases) {
        CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.error.substr(0, c.errorStart.size()), c.errorStart);
        EXPECT_LT(line.error.size(), 160u);  // long arguments are cut in the message
        EXPECT_FALSE(line.quiet);
    }
    // "/quiet" counts wherever it stands.
    EXPECT_TRUE(ParseCommandLine({L"/frobnicate", L"-QUIET"}).quiet);
}

TEST(CommandLine, CommandNamesGoBothWays) {
    for (ProgramCommand command : {ProgramCommand::Preview, ProgramCommand::Capture, ProgramCommand::Record,
                                   ProgramCommand::Stop, ProgramCommand::Close})
        EXPECT_EQ(CommandNamed(CommandName(command)), command);
    EXPECT_EQ(CommandNamed(L"quiet"), ProgramCommand::None);
    EXPECT_EQ(CommandNamed(L""), ProgramCommand::None);
}

}  // namespace
