// The options dialog in the test process over virtual devices: filling, preselection, device
// changes, OK with the save and the rebuild, Cancel, the folder browser, and replacing.
#include <windows.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "devices/device_catalogue.h"
#include "framework/modal_seam.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_request.h"
#include "support/capture_fixture.h"
#include "support/device_enumeration.h"
#include "support/quarantine_heap.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/writer_report.h"
#include "ui/option_dlg.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

class OptionDialogTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        Camera(1, L"First camera", L"YUY2 320 240 333333;YUY2 640 480 333333;YUY2 800 600 333333");
        Camera(2, L"Second camera", L"YUY2 704 480 333333;YUY2 720 480 333333;YUY2 760 570 333333");
        Microphone(3, L"Microphone", L"Mic;Line In;Mic");
        Microphone(4, L"Headset", L"Boom");
    }
    HWND Open() {
        Command(ID_OPTION);
        EXPECT_NE(g_optionDlg, nullptr);
        return g_optionDlg ? g_optionDlg->m_hWnd : nullptr;
    }
    static int Selected(HWND dialog, int id) {
        return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
    }
    static std::wstring SelectedText(HWND dialog, int id) {
        wchar_t text[256] = L"";
        int index = Selected(dialog, id);
        if (index >= 0) SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Selects item `index` of list `id` as the user would, with the notification.
    static void Choose(HWND dialog, int id, int index) {
        SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static void Click(HWND dialog, int id) {
        SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
};

TEST_F(OptionDialogTest, OpensWithTheLiveSettingsAndPreselections) {
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"Microphone", L"Mic");
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat", 1);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"lightSource", 0);
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"capturePath", L"C:\\Shots");
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"videoResolution", 1);
    OpenWindow();
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(WindowText(dialog), L"Webcam Option");
    EXPECT_EQ(SelectedText(dialog, IDC_CAMERA_LIST), L"First camera");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_RESOLUTION_LIST, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SelectedText(dialog, IDC_RESOLUTION_LIST), L"640 x 480");
    EXPECT_EQ(SelectedText(dialog, IDC_AUDIO_LIST), L"Microphone");
    EXPECT_EQ(Selected(dialog, IDC_INPUT_LIST), 2);  // the last of two equally named inputs
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CAPTURE_PATH)), L"C:\\Shots");
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FORMAT_BMP), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_LIGHT_50HZ), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_LIGHT_60HZ), BST_UNCHECKED);
    // The video-resolution choice has no control of its own, only its two commands.
    EXPECT_EQ(g_videoResolutionChoice, 1);
    for (int id : {IDC_VIDEO_RESOLUTION_0, IDC_VIDEO_RESOLUTION_1}) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dialog));
        EXPECT_EQ(g_videoResolutionChoice, id == IDC_VIDEO_RESOLUTION_1 ? 1 : 0) << id;
    }

    // The second camera preselects by the closest width ratio.
    Choose(dialog, IDC_CAMERA_LIST, 1);
    EXPECT_EQ(SelectedText(dialog, IDC_RESOLUTION_LIST), L"704 x 480");
    EXPECT_EQ(std::wstring(g_videoDeviceID), TestCameraId(2));  // live at once
}

TEST_F(OptionDialogTest, CancelPutsTheDeviceSelectionBack) {
    OpenWindow();
    g_audioInputIndex = 2;  // the live input line
    HWND dialog = Open();
    Choose(dialog, IDC_CAMERA_LIST, 1);
    Choose(dialog, IDC_AUDIO_LIST, 1);
    EXPECT_STREQ(g_audioDeviceName, L"Headset");
    Click(dialog, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindow(dialog));  // hidden, not destroyed
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_EQ(std::wstring(g_videoDeviceID), TestCameraId(1));
    EXPECT_STREQ(g_audioDeviceName, L"Microphone");
    EXPECT_EQ(g_audioInputIndex, 2);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));  // nothing saved
}

TEST_F(OptionDialogTest, CancelAfterTheOpeningsCameraWentKeepsTheRefreshedSelection) {
    SetString(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID", TestCameraId(2));
    OpenWindow();
    ASSERT_EQ(g_videoDeviceIndex, 1);
    HWND dialog = Open();
    CLSID second = TestDeviceClsid(2);
    UnregisterVirtualDevice(&second);
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);  // stopped: refresh
    ASSERT_EQ(g_videoDeviceCount, 1);
    Click(dialog, IDCANCEL);
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_EQ(std::wstring(g_videoDeviceID), TestCameraId(1));
    EXPECT_STREQ(g_videoDeviceName, L"First camera");
    EXPECT_STREQ(g_audioDeviceName, L"Microphone");  // still there: put back
    Command(ID_PREVIEW);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(OptionDialogTest, OkSavesEverythingInOrderAndBuildsNothingWhenStopped) {
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"videoResolution", 5);
    OpenWindow();
    HWND dialog = Open();
    Choose(dialog, IDC_CAMERA_LIST, 1);
    Choose(dialog, IDC_RESOLUTION_LIST, 2);
    EXPECT_EQ(SelectedText(dialog, IDC_FRAME_RATE_LIST), Text(IDS_FRAME_RATE_HIGHEST));  // highest first
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FRAME_RATE_LIST, CB_GETCOUNT, 0, 0), 2);  // and the camera's 30
    Choose(dialog, IDC_FRAME_RATE_LIST, 1);
    Click(dialog, IDC_FORMAT_BMP);
    Click(dialog, IDC_LIGHT_50HZ);
    Click(dialog, IDC_RECORD_PREVIEW_SIZE);
    SendDlgItemMessageW(dialog, IDC_PHOTO_TIMER, CB_SETCURSEL, 2, 0);  // 10 s
    SetDlgItemTextW(dialog, IDC_INTERVAL_SECONDS, L"100000");  // more than a day: a day
    SetDlgItemTextW(dialog, IDC_INTERVAL_PICTURES, L"7");
    std::vector<std::wstring> order;
    g_settingWriteObserver = [&](const wchar_t* name) { order.push_back(name); };
    Click(dialog, IDOK);
    g_settingWriteObserver = nullptr;

    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(g_pGraph);  // stopped: only saved
    EXPECT_EQ(order, (std::vector<std::wstring>{L"lightSource", L"capturePath", L"recordPath",
                                                 L"CaptureFormat", L"videoResolution",
                                                 L"recordAtPreviewResolution", L"photoTimerSeconds", L"intervalSeconds",
                                                 L"intervalPictures", L"videoDeviceName", L"videoDeviceID",
                                                 L"audioDeviceName", L"Microphone", TestCameraId(2),
                                                 TestCameraId(2) + L" frame rate"}));
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, (TestCameraId(2) + L" frame rate").c_str()), 30u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"photoTimerSeconds"), 10u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"intervalSeconds"), 86400u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"intervalPictures"), 7u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"lightSource"), 0u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"CaptureFormat"), 1u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"videoResolution"), 1u);  // 5 -> 1
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kSettingsKey, L"recordAtPreviewResolution"), 1u);
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceName"), L"Second camera");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID"), TestCameraId(2));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, TestCameraId(2).c_str()), L"760 x 570");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"Microphone"), L"Mic");
}

TEST_F(OptionDialogTest, OkWhilePreviewingRebuildsWithTheNewCamera) {
    OpenWindow();
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    HWND dialog = Open();
    Choose(dialog, IDC_CAMERA_LIST, 1);
    Choose(dialog, IDC_RESOLUTION_LIST, 1);
    Click(dialog, IDOK);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_EQ(DeviceRecord(2, L"SetFormat"), L"YUY2 720 480 333333");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(OptionDialogTest, OkWhileRecordingClosesTheFileAndGoesOnPreviewing) {
    ScratchDirectory records;
    OpenWindow();
    wcscpy(g_settings.recordPath, records.path().c_str());
    Command(ID_RECORD);
    ASSERT_EQ(g_captureState, Recording);
    PumpMessages(500, 500);
    Click(Open(), IDOK);
    EXPECT_EQ(g_captureState, Previewing);
    EXPECT_EQ(g_recordMode, 0);
    auto files = FilesIn(records.path());
    ASSERT_EQ(files.size(), 1u);
    WriterReport report = ReadWriterReport(records.Child(files[0]));
    EXPECT_EQ(report["closed"], "1");
    EXPECT_GT(ReportNumber(report, "video.frames"), 0);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(OptionDialogTest, OpeningAndClosingItTwoHundredTimesWhileThePictureIsDrawnNeverHangs) {
    OpenWindow();
    ShowWindow(m_window->m_hWnd, SW_SHOW);
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    for (int i = 0; i < 200; ++i) {
        HWND dialog = Open();
        ASSERT_TRUE(IsWindowVisible(dialog)) << i;
        PumpMessages(0, 1);  // what the main window is sent meanwhile
        Click(dialog, IDCANCEL);
        ASSERT_FALSE(IsWindowVisible(dialog)) << i;
    }
    // The picture still flows: the next frame takes a snapshot request.
    wcscpy(g_settings.capturePath, L"C:\\");
    g_snapshotRequested = 1;
    DWORD start = GetTickCount();
    while (g_snapshotRequested && GetTickCount() - start < 10000) PumpMessages(20, 100);
    EXPECT_EQ(g_snapshotRequested, 0);
}

TEST_F(OptionDialogTest, TheOptionCommandReplacesAnOpenDialogWithoutSaving) {
    OpenWindow();
    HWND first = Open();
    Choose(first, IDC_CAMERA_LIST, 1);
    HWND second = Open();
    EXPECT_FALSE(IsWindow(first));  // the first instance went with its window
    EXPECT_NE(second, first);
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_EQ(SelectedText(second, IDC_CAMERA_LIST), L"Second camera");  // the change stayed live
}

TEST_F(OptionDialogTest, OpeningAfterADeviceChangeDuringPreviewRefreshesFirst) {
    OpenWindow();
    Command(ID_PREVIEW);
    Camera(5, L"Late camera", L"YUY2 640 480 333333");
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_EQ(g_deviceRescanPending, 1);
    HWND dialog = Open();
    EXPECT_EQ(g_deviceRescanPending, 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, CB_GETCOUNT, 0, 0), 3);
}

TEST_F(OptionDialogTest, OkStaysWithinTheTablesAfterDevicesWentWhileItWasOpen) {
    OpenWindow();
    HWND dialog = Open();
    Choose(dialog, IDC_CAMERA_LIST, 1);
    Choose(dialog, IDC_AUDIO_LIST, 1);
    UnregisterAllVirtualDevices();
    Camera(6, L"Only camera", L"YUY2 640 480 333333");
    SendMessageW(m_window->m_hWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);  // stopped: refresh
    EXPECT_EQ(g_videoDeviceCount, 1);
    EXPECT_EQ(g_audioDeviceCount, 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, CB_GETCOUNT, 0, 0), 2);  // not refilled
    Click(dialog, IDOK);
    // The lists' positions lie past the new tables: those selections are left alone.
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceID"), L"<missing>");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"audioDeviceName"), L"<missing>");
}

TEST_F(OptionDialogTest, TextTypedIntoAListSelectsNothingAndOkKeepsThatSelection) {
    OpenWindow();
    HWND dialog = Open();
    SetDlgItemTextW(dialog, IDC_CAMERA_LIST, L"typed");
    SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Click(dialog, IDOK);
    EXPECT_EQ(g_videoDeviceIndex, 0);
    EXPECT_EQ(std::wstring(g_videoDeviceID), TestCameraId(1));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"videoDeviceName"), L"<missing>");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kSettingsKey, L"lightSource").empty(), false);
}

TEST_F(OptionDialogTest, TheFolderBrowserSetsAFolderOnlyWhenOneWasChosen) {
    OpenWindow();
    HWND dialog = Open();
    std::vector<UINT> flags;
    std::vector<std::wstring> prompts;
    std::wstring answer = L"C:\\Chosen";
    AfxModalSeam().browseForFolder = [&](HWND owner, LPCWSTR prompt, UINT f) {
        EXPECT_EQ(owner, dialog);
        prompts.push_back(prompt);
        flags.push_back(f);
        return answer;
    };
    Click(dialog, IDC_CAPTURE_PATH_SET);
    EXPECT_STREQ(g_settings.capturePath, L"C:\\Chosen");  // no separator added
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CAPTURE_PATH)), L"C:\\Chosen");
    answer.clear();
    std::wstring recordPath = g_settings.recordPath;
    Click(dialog, IDC_RECORD_PATH_SET);
    EXPECT_EQ(std::wstring(g_settings.recordPath), recordPath);
    EXPECT_EQ(prompts, (std::vector<std::wstring>{L"select folder", L"select folder"}));
    EXPECT_EQ(flags[0], 0x51u);
}

TEST_F(OptionDialogTest, ReplacingOrClosingWhileTheFolderBrowserIsUpTouchesNoFreedMemory) {
    for (bool closeMain : {false, true}) {
        OpenWindow();
        HWND dialog = Open();
        std::wstring before = g_settings.capturePath;
        QuarantineScope quarantine;
        AfxModalSeam().browseForFolder = [&](HWND, LPCWSTR, UINT) {
            if (closeMain)
                SendMessageW(m_window->m_hWnd, WM_CLOSE, 0, 0);
            else
                Command(ID_OPTION);
            return std::wstring(L"C:\\Chosen");
        };
        Click(dialog, IDC_CAPTURE_PATH_SET);
        EXPECT_EQ(quarantine.DamagedBlocks(), 0) << closeMain;
        EXPECT_GT(quarantine.KeptBlocks(), 0) << closeMain;  // the first dialog was deleted
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(std::wstring(g_settings.capturePath), before);  // the closed dialog set nothing
        EXPECT_EQ(g_optionDlg != nullptr, !closeMain);
        if (g_optionDlg) {
            EXPECT_TRUE(IsWindowVisible(g_optionDlg->m_hWnd));
        }
    }
}

TEST_F(OptionDialogTest, OkIsNotTakenAgainWhileItsRebuildReportsAFailure) {
    OpenWindow();
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    HWND dialog = Open();
    CLSID first = TestDeviceClsid(1);
    UnregisterVirtualDevice(&first);  // the rebuild cannot open the selected camera
    bool enabledDuringMessage = true;
    AfxModalSeam().messageBox = [&](HWND, LPCWSTR text, LPCWSTR caption, UINT) {
        m_messages.push_back(std::wstring(caption) + L": " + text);
        enabledDuringMessage = IsWindowEnabled(dialog) != FALSE;
        Click(dialog, IDOK);  // the user presses OK again
        return IDOK;
    };
    Click(dialog, IDOK);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Error: Can not connect the capture device"}));
    EXPECT_FALSE(enabledDuringMessage);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_EQ(g_captureState, Stopped);
}

TEST_F(OptionDialogTest, ACameraWithoutAnyResolutionInTheBandKeepsTheIndexOrShowsNothing) {
    Camera(7, L"Odd camera", L"YUY2 320 240 333333;YUY2 1920 1080 333333");
    OpenWindow();
    HWND dialog = Open();
    Choose(dialog, IDC_CAMERA_LIST, 1);  // 704/720/760: index 0
    Choose(dialog, IDC_CAMERA_LIST, 0);  // 320/640/800: index 1
    EXPECT_EQ(g_resolutionIndex, 1);
    Choose(dialog, IDC_CAMERA_LIST, 2);  // nothing in the band: the index stays
    EXPECT_EQ(g_resolutionIndex, 1);
    EXPECT_EQ(SelectedText(dialog, IDC_RESOLUTION_LIST), L"1920 x 1080");
    g_resolutionIndex = 5;  // beyond the new list
    Choose(dialog, IDC_CAMERA_LIST, 2);
    EXPECT_EQ(Selected(dialog, IDC_RESOLUTION_LIST), CB_ERR);
}

}  // namespace
