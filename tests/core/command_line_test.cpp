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
        EXPECT_FALSE(line.Bad()) << c.arguments.size();
        EXPECT_EQ(line.command, c.command);
        EXPECT_EQ(line.capturePath, c.path);
        EXPECT_EQ(line.quiet, c.quiet);
    }
}

TEST(CommandLine, BadArgumentsAreRefusedWithAReasonThatStaysShort) {
    const std::wstring longName(100000, L'a');
    using E = ArgumentError;
    const struct {
        std::vector<std::wstring> arguments;
        ArgumentError error;
        std::wstring detailStart;
    } cases[] = {
        {{L"/frobnicate"}, E::Unknown, L"/frobnicate"},
        {{L"preview"}, E::Unknown, L"preview"},
        {{L"/"}, E::Unknown, L"/"},
        {{L""}, E::Unknown, L""},
        {{L"/stop:now"}, E::Unknown, L"/stop:now"},
        {{L"/quiet:yes"}, E::Unknown, L"/quiet:yes"},
        {{L"/preview", L"/record"}, E::TwoCommands, L""},
        {{L"/capture", L"/capture:a.bmp"}, E::TwoCommands, L""},
        {{L"/capture:"}, E::NoFileName, L""},
        {{L"/capture:" + longName + L".bmp"}, E::NoFileName, L"aaaa"},
        {{L"/capture:shot.png"}, E::FileType, L"shot.png"},
        {{L"/capture:.bmp"}, E::FileType, L".bmp"},
        {{L"/" + longName}, E::Unknown, L"/aaaa"},
    };
    for (const auto& c : cases) {
        CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_TRUE(line.Bad());
        EXPECT_EQ(line.error, c.error);
        EXPECT_EQ(line.errorDetail.substr(0, c.detailStart.size()), c.detailStart);
        EXPECT_LT(line.errorDetail.size(), 130u);  // long arguments are cut in the message
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
