// The settings store against Wine's real registry: defaults, stored values, text and number
// reads, the save and its order, and the camera driver flag check with the restart prompt.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_settings.h"
#include "devices/device_catalogue.h"
#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "ui/restart_dlg.h"
#include "ui/settings_save.h"

using namespace testsupport;

namespace {

std::wstring SpecialFolder(int folder) {
    wchar_t path[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, folder, FALSE);
    return path;
}

void AddCamera(const wchar_t* name, const wchar_t* id) {
    VideoDeviceInfo& entry = g_videoDevices[g_videoDeviceCount++];
    CopyName(entry.friendlyName, name);
    CopyName(entry.deviceId, id);
    entry.resolutionCount = 1;
    entry.widths[0] = 640;
    entry.heights[0] = 480;
}

void AddAudioDevice(const wchar_t* name) {
    AudioDeviceInfo& entry = g_audioDevices[g_audioDeviceCount++];
    CopyName(entry.friendlyName, name);
    CopyName(entry.deviceId, name);
    entry.inputCount = 1;
    CopyName(entry.inputNames[0], L"Microphone");
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
        DeleteKey(HKEY_LOCAL_MACHINE, kDriverKey);
        ResetDriverToolStarts();
        ResetDeviceTables();
        SelectFirstDevices();
        g_settings = {};
        g_restartPending = 0;
        AfxModalSeam().answerModal = [this](UINT id, INT_PTR* result) {
            m_prompts.push_back(id);
            *result = m_answer;
            return true;
        };
    }
    void TearDown() override {
        AfxResetModalSeam();
        g_settingWriteObserver = nullptr;
        DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
        DeleteKey(HKEY_LOCAL_MACHINE, kDriverKey);
        CoUninitialize();
    }
    void Load() {
        LoadSettings([this] { ++m_closeSequences; });
    }

    std::vector<UINT> m_prompts;
    INT_PTR m_answer = IDCANCEL;
    int m_closeSequences = 0;
};

TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndTheUsersFolders) {
    AddCamera(L"Camera A", L"@device:a");
    AddCamera(L"Camera B", L"@device:b");
    AddAudioDevice(L"Microphone A");
    SelectFirstDevices();
    Load();
    EXPECT_EQ(g_settings.captureFormat, 0);
    EXPECT_EQ(g_settings.lightSource, 1);
    EXPECT_EQ(g_settings.videoResolution, 0);
    EXPECT_EQ(g_settings.mirrorPicture, 0);
    EXPECT_EQ(g_settings.keepProportions, 0);
    EXPECT_EQ(g_settings.photoTimerSeconds, 5);
    EXPECT_EQ(g_settings.intervalSeconds, 10);
    EXPECT_EQ(g_settings.intervalPictures, 0);
    EXPECT_EQ(std::wstring(g_settings.capturePath), SpecialFolder(CSIDL_MYPICTURES) + L"\\");
    EXPECT_EQ(std::wstring(g_settings.recordPath), SpecialFolder(CSIDL_MYVIDEO) + L"\\");
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_STREQ(g_videoDeviceID, L"@device:a");
    EXPECT_STREQ(g_audioDeviceName, L"Microphone A");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));  // loading writes nothing
}

TEST_F(SettingsTest, StoredValuesLoadAsStoredAndAllBitsSetReadsAsAbsent) {
    AddCamera(L"Camera A", L"@device:a");
    AddCamera(L"Camera B", L"@device:b");
    AddAudioDevice(L"Microphone A");
    AddAudioDevice(L"Microphone B");
    AddAudioDevice(L"Microphone B");  // the first of equal names is selected
    SelectFirstDevices();
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat", 0xFFFFFFFF);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"lightSource", 0xFFFFFFFF);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"videoResolution", 5);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", L"C:\\Shots");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"recordPath", L"D:\\Films\\", false);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", L"@device:b");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"audioDeviceName", L"Microphone B");
    Load();
    EXPECT_EQ(g_settings.captureFormat, 0);
    EXPECT_EQ(g_settings.lightSource, 1);
    EXPECT_EQ(g_settings.videoResolution, 5);
    EXPECT_STREQ(g_settings.capturePath, L"C:\\Shots");  // no backslash added to a stored path
    EXPECT_STREQ(g_settings.recordPath, L"D:\\Films\\");
    EXPECT_EQ(g_videoDeviceIndex, 1);
    EXPECT_STREQ(g_videoDeviceName, L"Camera B");
    EXPECT_EQ(g_audioDeviceIndex, 1);

    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"lightSource", 0);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat", 1);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", L"@DEVICE:B");  // case counts
    g_videoDeviceIndex = 0;
    Load();
    EXPECT_EQ(g_settings.lightSource, 0);
    EXPECT_EQ(g_settings.captureFormat, 1);
    EXPECT_EQ(g_videoDeviceIndex, 0);

    // An empty stored folder reads as none: the default folder, not the drive's root.
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", L"");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"recordPath", L"", false);
    Load();
    EXPECT_EQ(std::wstring(g_settings.capturePath), SpecialFolder(CSIDL_MYPICTURES) + L"\\");
    EXPECT_EQ(std::wstring(g_settings.recordPath), SpecialFolder(CSIDL_MYVIDEO) + L"\\");
}

// The view, timer and interval choices: as stored when they are among the choices on offer, else
// their defaults.
TEST_F(SettingsTest, TimerAndViewChoicesLoadWithinTheirRanges) {
    const struct {
        DWORD mirror, keep, delay, every, pictures;
        int32_t wantMirror, wantKeep, wantDelay, wantEvery, wantPictures;
    } cases[] = {{1, 1, 2, 1, 3, 1, 1, 2, 1, 3},
                 {0, 0, 10, 86400, 0, 0, 0, 10, 86400, 0},
                 {2, 7, 7, 0, 0xFFFFFFFF, 0, 0, 5, 10, 0},
                 {1, 0, 0, 86401, 100000, 1, 0, 5, 10, 100000}};
    for (const auto& c : cases) {
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"mirrorPicture", c.mirror);
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"keepProportions", c.keep);
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"photoTimerSeconds", c.delay);
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"intervalSeconds", c.every);
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"intervalPictures", c.pictures);
        LoadStoredOptions();
        EXPECT_EQ(g_settings.mirrorPicture, c.wantMirror);
        EXPECT_EQ(g_settings.keepProportions, c.wantKeep);
        EXPECT_EQ(g_settings.photoTimerSeconds, c.wantDelay);
        EXPECT_EQ(g_settings.intervalSeconds, c.wantEvery);
        EXPECT_EQ(g_settings.intervalPictures, c.wantPictures);
    }
}

TEST_F(SettingsTest, TextsAreStoredWithoutTerminatorAndReadBackExactly) {
    SaveSettings(SelectionToSave{});  // creates the key
    ASSERT_TRUE(WriteSettingString(L"probe", L"640 x 480"));
    std::vector<BYTE> bytes;
    DWORD type = 0;
    ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, kSettingsKey, L"probe", &bytes, &type));
    EXPECT_EQ(type, DWORD(REG_SZ));
    // The program passes the characters alone; Wine may add the terminator on its own.
    ASSERT_GE(bytes.size(), 9 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), 9), L"640 x 480");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"bare", L"800 x 600", false);
    ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, kSettingsKey, L"bare", &bytes));
    EXPECT_EQ(bytes.size(), 9 * sizeof(wchar_t));
    wchar_t text[kSettingCapacity];
    ASSERT_TRUE(ReadSettingString(L"probe", text));
    EXPECT_STREQ(text, L"640 x 480");
    ASSERT_TRUE(ReadSettingString(L"bare", text));
    EXPECT_STREQ(text, L"800 x 600");
    EXPECT_FALSE(ReadSettingString(L"missing", text));
    EXPECT_STREQ(text, L"");
}

TEST_F(SettingsTest, TextsOfUpTo255CharactersReadAndLongerOnesReadAsAbsent) {
    std::wstring longest(255, L'x'), tooLong(256, L'y');
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"longest", longest);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"longestBare", longest, false);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"tooLong", tooLong, false);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"much", std::wstring(1000, L'z'));
    wchar_t text[kSettingCapacity + 1];
    text[kSettingCapacity] = L'#';  // a guard just past the destination
    ASSERT_TRUE(ReadSettingString(L"longest", text));
    EXPECT_EQ(std::wstring(text), longest);
    ASSERT_TRUE(ReadSettingString(L"longestBare", text));
    EXPECT_EQ(std::wstring(text), longest);
    EXPECT_FALSE(ReadSettingString(L"tooLong", text));
    EXPECT_FALSE(ReadSettingString(L"much", text));
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(text[kSettingCapacity], L'#');

    // A camera ID of 200 characters, as real display names often are, is found again.
    std::wstring id = L"@device:pnp:" + std::wstring(188, L'c');
    AddCamera(L"Camera A", L"@device:a");
    AddCamera(L"Camera B", id.c_str());
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", id, false);
    Load();
    EXPECT_EQ(g_videoDeviceIndex, 1);
}

TEST_F(SettingsTest, NumbersReadOnlyFromValuesOfAtMostFourBytes) {
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"number", 1234);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"text", L"a long text");
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"short", L"a", false);  // 2 bytes, type ignored
    EXPECT_EQ(ReadSettingDword(L"number"), 1234);
    EXPECT_EQ(ReadSettingDword(L"text"), -1);
    EXPECT_EQ(ReadSettingDword(L"short"), int32_t(L'a'));
    EXPECT_EQ(ReadSettingDword(L"missing"), -1);
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    EXPECT_EQ(ReadSettingDword(L"number"), -1);
}

TEST_F(SettingsTest, SingleWritesNeverCreateTheKeyButTheSaveDoes) {
    EXPECT_FALSE(WriteSettingString(L"capturePath", L"C:\\x"));
    EXPECT_FALSE(WriteSettingDword(L"lightSource", 0));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    SaveSettings({true, true, L"Line In", L"640 x 480"});
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_TRUE(WriteSettingDword(L"lightSource", 0));
}

TEST_F(SettingsTest, TheSaveWritesEveryValueInItsOrder) {
    AddCamera(L"Camera B", L"@device:b");
    AddAudioDevice(L"Microphone B");
    SelectFirstDevices();
    g_settings.lightSource = 0;
    g_settings.captureFormat = 1;
    g_settings.videoResolution = 1;
    wcscpy(g_settings.capturePath, L"C:\\Shots");
    wcscpy(g_settings.recordPath, L"C:\\Films\\");
    std::vector<std::wstring> order;
    g_settingWriteObserver = [&](const wchar_t* name) { order.push_back(name); };
    SaveSettings({true, true, L"Line In", L"800 x 600"});
    EXPECT_EQ(order, (std::vector<std::wstring>{L"lightSource", L"capturePath", L"recordPath",
                                                 L"CaptureFormat", L"videoResolution",
                                                 L"recordAtPreviewResolution", L"photoTimerSeconds", L"intervalSeconds",
                                                 L"intervalPictures", L"videoDeviceName", L"videoDeviceID",
                                                 L"audioDeviceName", L"Microphone B",
                                                 L"@device:b"}));
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"lightSource"), 0u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat"), 1u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"videoResolution"), 1u);
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"capturePath"), L"C:\\Shots");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"recordPath"), L"C:\\Films\\");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceName"), L"Camera B");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID"), L"@device:b");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"audioDeviceName"), L"Microphone B");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"Microphone B"), L"Line In");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"@device:b"), L"800 x 600");
}

DWORD WaitForToolStarts(DWORD expected) {
    DWORD start = GetTickCount();
    while (DriverToolStarts() < expected && GetTickCount() - start < 10000) Sleep(20);
    return DriverToolStarts();
}

TEST_F(SettingsTest, DriverFlagPresentOrDriverKeyMissingStartsNothing) {
    Load();  // no driver key at all
    SetDword(HKEY_LOCAL_MACHINE, kDriverKey, L"UvcFlags", 0);
    Load();  // any value present
    EXPECT_TRUE(m_prompts.empty());
    // Only the missing value starts the tool: one start in all.
    DeleteKey(HKEY_LOCAL_MACHINE, kDriverKey);
    SetString(HKEY_LOCAL_MACHINE, kDriverKey, L"Other", L"x");
    Load();
    EXPECT_EQ(WaitForToolStarts(1), 1u);
    EXPECT_EQ(m_prompts, (std::vector<UINT>{IDD_RESTART}));
}

TEST_F(SettingsTest, MissingDriverFlagStartsTheToolAndPromptsAtEveryStart) {
    SetString(HKEY_LOCAL_MACHINE, kDriverKey, L"Other", L"x");
    m_answer = IDCANCEL;
    Load();
    EXPECT_EQ(g_restartPending, 0);
    EXPECT_EQ(m_closeSequences, 0);
    m_answer = IDOK;
    Load();
    EXPECT_EQ(g_restartPending, 1);
    EXPECT_EQ(m_closeSequences, 1);
    EXPECT_EQ(m_prompts.size(), 2u);
    EXPECT_EQ(WaitForToolStarts(2), 2u);
    // The load carries on after the prompt.
    EXPECT_EQ(g_settings.lightSource, 1);
}

TEST_F(SettingsTest, NoPromptWhenTheToolCannotBeStarted) {
    SetString(HKEY_LOCAL_MACHINE, kDriverKey, L"Other", L"x");
    std::wstring tool = ExecutableDirectory() + L"Zuduzizuzu.exe";
    std::wstring aside = tool + L".aside";
    ASSERT_TRUE(MoveFileW(tool.c_str(), aside.c_str()));
    Load();
    MoveFileW(aside.c_str(), tool.c_str());
    EXPECT_TRUE(m_prompts.empty());
    EXPECT_EQ(g_restartPending, 0);
}

}  // namespace
