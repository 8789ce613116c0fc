// The installer package with Wine's own Windows Installer, in a prefix of its own: installing,
// running the installed program, upgrading, and removing the product the way a user does,
// through RuzEzirar in the installation folder.
#include <windows.h>
#include <msi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "support/process_tree.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/webcam_process.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

const wchar_t kUpgradeCode[] = L"{66916B2E-E775-47FC-8BA8-8183E68CAB9E}";

std::wstring Packages() { return ExecutableDirectory() + L"..\\dist\\"; }

std::wstring CurrentPackage() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Packages() + L"Webcam-*-x64.msi").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return Packages() + found.cFileName;
}

// The one package in `folder` of the packages.
std::wstring PackageIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Packages() + folder + L"\\Webcam-*-x64.msi").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return Packages() + folder + L"\\" + found.cFileName;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring InstallFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Webcam"; }

// The Start-menu folder of the product, for all users or (where Wine puts it) the user's own.
std::wstring MenuFolder() {
    std::wstring common = KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Webcam";
    return FileExists(common) ? common : KnownFolder(CSIDL_PROGRAMS) + L"\\Webcam";
}

// The products installed under the package's upgrade code.
std::vector<std::wstring> InstalledProducts() {
    std::vector<std::wstring> codes;
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i)
        codes.push_back(code);
    return codes;
}

std::wstring ProductInfo(const std::wstring& code, const wchar_t* property) {
    wchar_t value[256] = L"";
    DWORD size = 256;
    MsiGetProductInfoW(code.c_str(), property, value, &size);
    return value;
}

std::wstring ProductProperty(const std::wstring& code, const wchar_t* property) {
    MSIHANDLE product = 0;
    if (MsiOpenProductW(code.c_str(), &product) != ERROR_SUCCESS) return {};
    wchar_t value[256] = L"";
    DWORD size = 256;
    MsiGetProductPropertyW(product, property, value, &size);
    MsiCloseHandle(product);
    return value;
}

std::wstring SystemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(L"\"") + folder + L"\\" + name + L"\"";
}

unsigned long Msiexec(const std::wstring& arguments) {
    ProcessResult result = RunProcessTree(SystemProgram(L"msiexec.exe") + L" " + arguments, {}, 120000);
    return result.started ? result.exitCode : 0xFFFFFFFFul;
}

std::wstring IniProductCode(const std::wstring& folder) {
    wchar_t code[256] = L"";
    GetPrivateProfileStringW(L"Uninstall", L"UUID", L"", code, 256, (folder + L"\\Uninstall.ini").c_str());
    return code;
}

// The Windows Installer's three-field version of a program's "a.b.c.d": a.b.(c * 1000 + d).
std::wstring PackageVersionOf(const std::wstring& fileVersion) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    swscanf(fileVersion.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &d);
    return std::to_wstring(a) + L"." + std::to_wstring(b) + L"." + std::to_wstring(c * 1000 + d);
}

// "a.b.c.d" of a program's version resource.
std::wstring FileVersion(const std::wstring& path) {
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<BYTE> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
        return {};
    return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

struct Shortcut {
    std::wstring target, workingFolder;
};

Shortcut ReadShortcut(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    Shortcut shortcut;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return shortcut;
    wchar_t text[MAX_PATH] = L"";
    link->GetPath(text, MAX_PATH, nullptr, 0);
    shortcut.target = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    shortcut.workingFolder = text;
    return shortcut;
}

// Answers, as a person would, every message box or dialog another process shows meanwhile:
// its Yes or OK button. Counts what it answered.
class DialogAnswerer {
public:
    DialogAnswerer() : m_thread([this] { Run(); }) {}
    ~DialogAnswerer() {
        m_done = true;
        m_thread.join();
    }
    int answered() const { return m_answered; }

private:
    void Run() {
        while (!m_done) {
            EnumWindows(&Answer, reinterpret_cast<LPARAM>(this));
            Sleep(50);
        }
    }
    static BOOL CALLBACK Answer(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = L"";
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() || !IsWindowVisible(window) || wcscmp(className, L"#32770") != 0)
            return TRUE;
        HWND button = GetDlgItem(window, IDYES) ? GetDlgItem(window, IDYES) : GetDlgItem(window, IDOK);
        if (button) {
            PostMessageW(button, BM_CLICK, 0, 0);
            ++reinterpret_cast<DialogAnswerer*>(self)->m_answered;
        }
        return TRUE;
    }

    std::atomic<bool> m_done{false};
    std::atomic<int> m_answered{0};
    std::thread m_thread;
};

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_FALSE(CurrentPackage().empty()) << "no package in " << std::string(Packages().begin(), Packages().end());
        RemoveEverything();
    }
    void TearDown() override {
        RemoveEverything();
        CoUninitialize();
    }
    static void RemoveEverything() {
        for (const std::wstring& code : InstalledProducts()) Msiexec(L"/x " + code + L" /qn");
    }
    static void Install(const std::wstring& package) {
        ASSERT_EQ(Msiexec(L"/i \"" + package + L"\" /qn"), 0u);
    }
};

TEST_F(InstallerTest, InstallsProgramUninstallerAndShortcutsAndTheInstalledProgramRuns) {
    Install(CurrentPackage());
    auto products = InstalledProducts();
    ASSERT_EQ(products.size(), 1u);
    const std::wstring& code = products[0];
    std::wstring folder = InstallFolder();
    for (const wchar_t* name : {L"Webcam.exe", L"Effect.wav", L"RuzEzirar.exe", L"Uninstall.ini"})
        EXPECT_TRUE(FileExists(folder + L"\\" + name)) << std::string(name, name + wcslen(name));
    // Uninstall.ini names exactly the product the Windows Installer reports.
    EXPECT_EQ(IniProductCode(folder), code);

    // The entry in Add/Remove Programs: name, publisher, the program's version, its icon.
    EXPECT_EQ(ProductInfo(code, INSTALLPROPERTY_INSTALLEDPRODUCTNAME), L"Webcam");
    EXPECT_EQ(ProductInfo(code, INSTALLPROPERTY_PUBLISHER), L"RIROVIR");
    EXPECT_EQ(ProductInfo(code, INSTALLPROPERTY_VERSIONSTRING), PackageVersionOf(FileVersion(folder + L"\\Webcam.exe")));
    EXPECT_FALSE(ProductProperty(code, L"ARPPRODUCTICON").empty());
    EXPECT_EQ(ProductProperty(code, L"ALLUSERS"), L"1");  // per machine

    Shortcut program = ReadShortcut(MenuFolder() + L"\\Webcam.lnk");
    EXPECT_EQ(program.target, folder + L"\\Webcam.exe");
    Shortcut uninstall = ReadShortcut(MenuFolder() + L"\\Uninstall Webcam.lnk");
    EXPECT_EQ(uninstall.target, folder + L"\\RuzEzirar.exe");
    EXPECT_EQ(WithoutTrailingSeparator(uninstall.workingFolder), folder);  // RuzEzirar reads Uninstall.ini there

    WebcamProcess installed(folder, folder + L"\\Webcam.exe");
    ASSERT_TRUE(installed.started());
    HWND window = installed.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(installed.WaitForExit(20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(InstallerTest, ANewerVersionReplacesTheOlderWhichIsThenRefusedAndTheSameVersionAgainStaysOneProduct) {
    // An older release, and the release before this one in the revision alone.
    for (const auto& older : {std::make_pair(PackageIn(L"older"), L"1.1.100"),
                              std::make_pair(PackageIn(L"previous"), L"")}) {
        SCOPED_TRACE(std::string(older.first.begin(), older.first.end()));
        ASSERT_FALSE(older.first.empty());
        RemoveEverything();
        Install(older.first);
        auto before = InstalledProducts();
        ASSERT_EQ(before.size(), 1u);
        if (*older.second) {
            EXPECT_EQ(ProductInfo(before[0], INSTALLPROPERTY_VERSIONSTRING), older.second);
        }

        Install(CurrentPackage());
        auto newer = InstalledProducts();
        ASSERT_EQ(newer.size(), 1u);  // one entry in Add/Remove Programs
        EXPECT_NE(newer[0], before[0]);
        EXPECT_EQ(MsiQueryProductStateW(before[0].c_str()), INSTALLSTATE_UNKNOWN);
        EXPECT_EQ(IniProductCode(InstallFolder()), newer[0]);  // the newer package's files

        // The older package again: refused, the newer stays.
        EXPECT_NE(Msiexec(L"/i \"" + older.first + L"\" /qn"), 0u);
        EXPECT_EQ(InstalledProducts(), newer);
    }
    auto current = InstalledProducts();
    Msiexec(L"/i \"" + CurrentPackage() + L"\" /qn");
    EXPECT_EQ(InstalledProducts(), current);
}

TEST_F(InstallerTest, RuzEzirarInTheInstallationFolderRemovesTheProductButNotTheUsersSettings) {
    Install(CurrentPackage());
    std::wstring code = InstalledProducts().at(0);
    std::wstring menu = MenuFolder();
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", L"C:\\Shots");

    std::wstring folder = InstallFolder();
    {
        DialogAnswerer user;
        ProcessResult launcher = RunProcessTree(L"\"" + folder + L"\\RuzEzirar.exe\"", folder, 120000);
        ASSERT_TRUE(launcher.started);
        EXPECT_EQ(launcher.exitCode, 0u);
    }
    EXPECT_EQ(MsiQueryProductStateW(code.c_str()), INSTALLSTATE_UNKNOWN);
    // Every file is gone. Under Wine the folder itself may stay, empty: the removal runs in
    // msiexec, whose current directory it is (on Windows the installer service removes it).
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_FALSE(FileExists(menu + L"\\Webcam.lnk"));
    EXPECT_FALSE(FileExists(menu + L"\\Uninstall Webcam.lnk"));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"capturePath"), L"C:\\Shots");
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
}

TEST_F(InstallerTest, RuzEzirarNamingAProductThatIsNotInstalledRemovesNothing) {
    Install(CurrentPackage());
    std::wstring code = InstalledProducts().at(0);
    ScratchDirectory elsewhere;
    WriteTextFile(elsewhere.Child(L"Uninstall.ini"),
                  "[Uninstall]\r\nUUID={00000000-1111-2222-3333-444444444444}\r\n");
    {
        DialogAnswerer user;  // the installer's report that no such product is installed
        ProcessResult launcher =
            RunProcessTree(L"\"" + InstallFolder() + L"\\RuzEzirar.exe\"", elsewhere.path(), 120000);
        ASSERT_TRUE(launcher.started);
        EXPECT_EQ(launcher.exitCode, 0u);
    }
    EXPECT_EQ(MsiQueryProductStateW(code.c_str()), INSTALLSTATE_DEFAULT);
    EXPECT_TRUE(FileExists(InstallFolder() + L"\\Webcam.exe"));
}

}  // namespace
