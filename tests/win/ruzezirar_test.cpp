// RuzEzirar started as a user would start it, with the test prefix's msiexec.exe stand-in
// recording how the Windows Installer was started.
#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/process_tree.h"
#include "support/scratch_directory.h"

using namespace testsupport;

namespace {

struct InstallerStart {
    std::wstring arguments;         // what follows the program name
    std::wstring workingDirectory;
    std::wstring programFile;
};

std::wstring Line(const std::wstring& text, size_t index) {
    size_t begin = 0;
    for (size_t i = 0; i < index; ++i) begin = text.find(L'\n', begin) + 1;
    return text.substr(begin, text.find(L'\n', begin) - begin);
}

// The command line without its first, possibly quoted, token and the blank after it.
std::wstring ArgumentsOf(const std::wstring& commandLine) {
    size_t end = commandLine[0] == L'"' ? commandLine.find(L'"', 1) + 1 : commandLine.find(L' ');
    if (end == std::wstring::npos || end >= commandLine.size()) return {};
    return commandLine.substr(end + 1);
}

std::wstring SystemInstallerPath() {
    wchar_t dir[MAX_PATH];
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\msiexec.exe";
}

class RuzEzirarTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log = m_logDir.Child(L"msiexec.log");
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_LOG", m_log.c_str());
    }

    // Runs the launcher in `currentDirectory` and waits for everything it started.
    void RunLauncher(const std::wstring& currentDirectory) {
        ProcessResult result = RunProcessTree(
            L"\"" + ExecutableDirectory() + L"RuzEzirar.exe\"", currentDirectory);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 0u);
    }

    std::optional<InstallerStart> RecordedStart() const {
        if (!FileExists(m_log)) return std::nullopt;
        std::wstring record = ReadUtf16File(m_log);
        return InstallerStart{ArgumentsOf(Line(record, 0)), Line(record, 1), Line(record, 2)};
    }

    ScratchDirectory m_logDir;
    ScratchDirectory m_installDir;
    std::wstring m_log;
};

TEST_F(RuzEzirarTest, StartsInstallerWithProductCodeFromIniInCurrentDirectory) {
    WriteTextFile(m_installDir.Child(L"Uninstall.ini"),
                  "[Uninstall]\r\nUUID={6F1E5F2A-0C3B-4D7E-9A51-2B8C4D6E8F10}\r\n");
    RunLauncher(m_installDir.path());

    auto start = RecordedStart();
    ASSERT_TRUE(start);
    EXPECT_EQ(start->arguments, L"/x {6F1E5F2A-0C3B-4D7E-9A51-2B8C4D6E8F10}");
    EXPECT_EQ(start->workingDirectory, m_installDir.path());
    EXPECT_EQ(lstrcmpiW(start->programFile.c_str(), SystemInstallerPath().c_str()), 0);
}

TEST_F(RuzEzirarTest, MissingIniOrKeyStartsInstallerWithEmptyEntry) {
    ScratchDirectory withOtherKey;
    WriteTextFile(withOtherKey.Child(L"Uninstall.ini"), "[Uninstall]\r\nProduct=Webcam\r\n");
    ScratchDirectory withOtherSection;
    WriteTextFile(withOtherSection.Child(L"Uninstall.ini"), "[Install]\r\nUUID={1}\r\n");

    for (const std::wstring& dir : {m_installDir.path(), withOtherKey.path(),
                                    withOtherSection.path()}) {
        DeleteFileW(m_log.c_str());
        RunLauncher(dir);
        auto start = RecordedStart();
        ASSERT_TRUE(start) << "from " << std::string(dir.begin(), dir.end());
        EXPECT_EQ(start->arguments, L"/x ");
        EXPECT_EQ(start->workingDirectory, dir);
    }
}

TEST_F(RuzEzirarTest, InstallerPlantedInCurrentDirectoryIsNotStarted) {
    WriteTextFile(m_installDir.Child(L"Uninstall.ini"), "[Uninstall]\r\nUUID=planted\r\n");
    ASSERT_TRUE(CopyFileW((ExecutableDirectory() + L"msiexec_standin.exe").c_str(),
                          m_installDir.Child(L"Msiexec.exe").c_str(), FALSE));
    RunLauncher(m_installDir.path());

    auto start = RecordedStart();
    ASSERT_TRUE(start);
    EXPECT_EQ(start->arguments, L"/x planted");
    EXPECT_EQ(lstrcmpiW(start->programFile.c_str(), SystemInstallerPath().c_str()), 0);
}

// "\Uninstall.ini" is 14 characters; the INI path buffer holds 259 and the terminator.
TEST_F(RuzEzirarTest, CurrentDirectoryThatLeavesRoomForIniNameIsUsed) {
    std::wstring dir = m_installDir.MakeNestedPathOfLength(259 - 14);
    WriteTextFile(dir + L"\\Uninstall.ini", "[Uninstall]\r\nUUID=fits\r\n");
    RunLauncher(dir);

    auto start = RecordedStart();
    ASSERT_TRUE(start);
    EXPECT_EQ(start->arguments, L"/x fits");
}

TEST_F(RuzEzirarTest, CurrentDirectoryTooLongForIniPathStartsNothing) {
    std::wstring dir = m_installDir.MakeNestedPathOfLength(259 - 14 + 1);
    RunLauncher(dir);
    EXPECT_FALSE(RecordedStart());
}

TEST(RuzEzirarProgram, IsWindowlessGuiProgramRunningAsInvoker) {
    std::wstring exe = ExecutableDirectory() + L"RuzEzirar.exe";
    HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);

    // The flags of LOAD_LIBRARY_AS_IMAGE_RESOURCE mark the handle; the image starts below them.
    auto base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR(3));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(resource, nullptr);
    auto text = static_cast<const char*>(LockResource(LoadResource(image, resource)));
    std::string manifest(text, SizeofResource(image, resource));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    FreeLibrary(image);
}

}  // namespace
