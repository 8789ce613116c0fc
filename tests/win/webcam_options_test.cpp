// The options dialog of a running Webcam.exe, used as a person would: choose another
// resolution and format, press OK, start the program again and find the choices kept and used.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/device_enumeration.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/webcam_process.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

HWND OpenOptions(WebcamProcess& program, HWND main) {
    PostMessageW(main, WM_COMMAND, ID_OPTION, 0);
    return program.WaitForWindow(L"Webcam Option");
}

std::wstring SelectedText(HWND dialog, int id) {
    int index = static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
    wchar_t text[256] = L"";
    if (index >= 0) SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring DefaultCameraRecord(const wchar_t* name) {
    wchar_t clsid[64];
    StringFromGUID2(CLSID_DefaultVirtualCamera, clsid, 64);
    return StringValue(HKEY_CURRENT_USER, (std::wstring(L"Software\\WebcamTest\\Devices\\") + clsid).c_str(), name);
}

TEST(WebcamOptions, ChoicesAreKeptAfterARestartAndUsed) {
    ScratchDirectory pictures;
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", pictures.path());
    {
        WebcamProcess program;
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        HWND dialog = OpenOptions(program, main);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(SelectedText(dialog, IDC_RESOLUTION_LIST), L"640 x 480");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FORMAT_JPG), BST_CHECKED);
        SendDlgItemMessageW(dialog, IDC_RESOLUTION_LIST, CB_SETCURSEL, 0, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RESOLUTION_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_RESOLUTION_LIST)));
        SendMessageW(GetDlgItem(dialog, IDC_FORMAT_BMP), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        ASSERT_TRUE(program.WaitForExit(20000, &code));
    }
    WebcamProcess program;
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenOptions(program, main);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SelectedText(dialog, IDC_RESOLUTION_LIST), L"320 x 240");
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FORMAT_BMP), BST_CHECKED);
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);

    // Used: the camera runs at the chosen size, and a snapshot is a BMP.
    SendMessageW(main, WM_COMMAND, ID_PREVIEW, 0);
    EXPECT_EQ(DefaultCameraRecord(L"SetFormat"), L"YUY2 320 240 333333");
    SendMessageW(main, WM_COMMAND, ID_CAPTURE, 0);
    std::wstring pattern = pictures.path() + L"\\capture*.bmp";
    WIN32_FIND_DATAW found;
    HANDLE search = INVALID_HANDLE_VALUE;
    DWORD start = GetTickCount();
    while ((search = FindFirstFileW(pattern.c_str(), &found)) == INVALID_HANDLE_VALUE &&
           GetTickCount() - start < 10000)
        Sleep(50);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    // Its size once the program has finished writing it.
    std::wstring path = pictures.Child(found.cFileName);
    ASSERT_TRUE(WaitUntilClosed(path));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(GetFileSize(file, nullptr), 54u + 320 * 240 * 4);
    CloseHandle(file);
    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(program.WaitForExit(20000, &code));
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace
