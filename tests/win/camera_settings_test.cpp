// The camera's picture controls with the virtual camera: "Camera settings" from the options
// dialog lists what the camera reports, sets it on the running camera, stores it on OK and puts
// it back on Cancel; stored choices reach the camera at every build, clamped, and bad ones or a
// refusing camera never stop a preview.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "capture/capture_state.h"
#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "settings/camera_control_store.h"
#include "support/capture_fixture.h"
#include "support/registry.h"
#include "support/ui_helpers.h"
#include "ui/camera_settings_dlg.h"
#include "ui/option_dlg.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

int RowId(int row, int part) { return IDC_CAMERA_ROWS + row * 4 + part; }

// What a row of the dialog shows.
struct Row {
    std::wstring name;
    long minimum, maximum, position;
    std::wstring value;
    bool hasAuto;
    bool operator==(const Row& o) const {
        return name == o.name && minimum == o.minimum && maximum == o.maximum && position == o.position &&
               value == o.value && hasAuto == o.hasAuto;
    }
};

std::vector<Row> Rows(HWND dialog) {
    std::vector<Row> rows;
    for (int row = 0; GetDlgItem(dialog, RowId(row, 1)); ++row) {
        HWND slider = GetDlgItem(dialog, RowId(row, 1));
        rows.push_back({WindowText(GetDlgItem(dialog, RowId(row, 0))),
                        static_cast<long>(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0)),
                        static_cast<long>(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0)),
                        static_cast<long>(SendMessageW(slider, TBM_GETPOS, 0, 0)),
                        WindowText(GetDlgItem(dialog, RowId(row, 2))), GetDlgItem(dialog, RowId(row, 3)) != nullptr});
    }
    return rows;
}

// Where a row's slider draws its thumb, as a position of its range (what the user sees).
long ThumbPosition(HWND dialog, int row) {
    HWND slider = GetDlgItem(dialog, RowId(row, 1));
    RECT thumb{}, channel{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const long long minimum = SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), maximum = SendMessageW(slider, TBM_GETRANGEMAX, 0, 0);
    const double along = ((thumb.left + thumb.right) / 2.0 - channel.left - (thumb.right - thumb.left) / 2.0) /
                         (channel.right - channel.left - (thumb.right - thumb.left));
    return static_cast<long>(minimum + along * (maximum - minimum) + 0.5);
}

// Moves a row's slider as the user drags it.
void Slide(HWND dialog, int row, long position) {
    HWND slider = GetDlgItem(dialog, RowId(row, 1));
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
}

void Press(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class CameraSettingsTest : public CaptureTest {
protected:
    void OpenWithCamera(const wchar_t* controls, DWORD propertyPages = 0) {
        Camera(1, L"Camera", L"YUY2 640 480 333333");
        SetString(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"Controls", controls);
        if (propertyPages) SetDword(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"PropertyPages", propertyPages);
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
    }
    // Opens "Camera settings" from the options dialog and does `user` in it.
    void InCameraSettings(const std::function<void(HWND)>& user) {
        Command(ID_OPTION);
        ASSERT_TRUE(g_optionDlg);
        HWND button = GetDlgItem(g_optionDlg->m_hWnd, IDC_CAMERA_SETTINGS);
        ASSERT_TRUE(IsWindowEnabled(button));
        WindowWatcher watcher(L"Camera settings", user);
        SendMessageW(button, BM_CLICK, 0, 0);
        EXPECT_TRUE(watcher.Join());
    }
    std::wstring Sets() { return DeviceRecord(1, L"ControlSets"); }
    void ForgetSets() { SetString(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"ControlSets", L""); }
};

const wchar_t kFourControls[] = L"Zoom 100 400 10 100;Brightness 0 255 1 128 auto;Contrast 0 100 1 50;"
                                L"Exposure -13 -1 1 -6 auto";

TEST_F(CameraSettingsTest, ListsExactlyTheControlsTheCameraReportsWithTheirRanges) {
    // Also a range around 0, and one of a broken driver: the whole range of a long.
    OpenWithCamera((std::wstring(kFourControls) + L";Hue -64 64 1 0;Gain -2147483648 2147483647 1 0").c_str());
    InCameraSettings([](HWND dialog) {
        EXPECT_EQ(Rows(dialog), (std::vector<Row>{{L"Brightness", 0, 255, 128, L"128", true},
                                                  {L"Contrast", 0, 100, 50, L"50", false},
                                                  {L"Hue", -64, 64, 0, L"0", false},
                                                  {L"Gain", LONG_MIN / 2, LONG_MAX / 2, 0, L"0", false},
                                                  {L"Exposure", -13, -1, -6, L"-6", true},
                                                  {L"Zoom", 100, 400, 100, L"100", false}}));
        // Each thumb where its value is, within a step of the slider's pixels.
        for (int row : {0, 1, 2, 4, 5}) EXPECT_NEAR(ThumbPosition(dialog, row), Rows(dialog)[row].position,
                                                     (Rows(dialog)[row].maximum - Rows(dialog)[row].minimum) / 50 + 1) << row;
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, RowId(3, 1)), TBM_GETPAGESIZE, 0, 0), 214748364);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CAMERA_NO_CONTROLS)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CAMERA_DRIVER)));  // no pages
        Sleep(300);  // drawn
        SaveScreenshot(CaptureWindow(dialog), L"camera-settings");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Sets(), L"Brightness=128/manual;Contrast=50/manual;Hue=0/manual;Gain=0/manual;Exposure=-6/manual;"
                      L"Zoom=100/manual");
}

TEST_F(CameraSettingsTest, ASliderSetsTheRunningCameraOkKeepsItAndTheNextStartPutsItBack) {
    OpenWithCamera(kFourControls);
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    InCameraSettings([&](HWND dialog) {
        Slide(dialog, 0, 200);
        EXPECT_EQ(Sets(), L"Brightness=200/manual");  // at once, on the running camera
        Press(dialog, RowId(2, 3));                  // Exposure's "Auto"
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, RowId(2, 1))));
        Press(dialog, IDOK);
    });
    StoredCameraControl brightness{}, exposure{};
    ASSERT_TRUE(LoadCameraControl(TestCameraId(1).c_str(), L"Brightness", &brightness));
    ASSERT_TRUE(LoadCameraControl(TestCameraId(1).c_str(), L"Exposure", &exposure));
    EXPECT_EQ(brightness.value, 200);
    EXPECT_FALSE(brightness.autoMode);
    EXPECT_TRUE(exposure.autoMode);
    // The program starts again: the camera is set before it runs.
    m_window->CloseSequence();
    m_window.reset();
    ForgetSets();
    OpenWindow();
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    EXPECT_EQ(Sets(), L"Brightness=200/manual;Contrast=50/manual;Exposure=-6/auto;Zoom=100/manual");
}

TEST_F(CameraSettingsTest, CancelPutsBackWhatTheCameraHadAndDefaultSetsEveryDefault) {
    OpenWithCamera(L"Brightness 0 255 1 128 auto;Zoom 100 400 10 100");
    Command(ID_PREVIEW);
    InCameraSettings([&](HWND dialog) {
        Slide(dialog, 0, 10);
        Slide(dialog, 1, 300);
        ForgetSets();
        Press(dialog, IDC_CAMERA_DEFAULT);  // the driver's defaults, its automatic modes too
        EXPECT_EQ(Sets(), L"Brightness=128/auto;Zoom=100/manual");
        EXPECT_EQ(Rows(dialog)[1].value, L"100");
        Slide(dialog, 0, 10);
        ForgetSets();
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Sets(), L"Brightness=128/manual;Zoom=100/manual");  // as when the dialog opened
    StoredCameraControl stored{};
    EXPECT_FALSE(LoadCameraControl(TestCameraId(1).c_str(), L"Brightness", &stored));  // nothing kept
}

TEST_F(CameraSettingsTest, StoredChoicesAreClampedBadOnesIgnoredAndRefusalsNeverStopThePreview) {
    struct Case {
        const wchar_t* control;
        DWORD type;
        std::vector<int32_t> stored;
        const wchar_t* sets;
    };
    const Case cases[] = {
        {L"Brightness", REG_BINARY, {200, 0}, L"Brightness=200/manual"},
        {L"Brightness", REG_BINARY, {999, 0}, L"Brightness=255/manual"},  // the range shrank
        {L"Brightness", REG_BINARY, {-5, 1}, L"Brightness=0/auto"},
        {L"Brightness", REG_BINARY, {200}, L""},                          // too short
        {L"Brightness", REG_DWORD, {200}, L""},                           // another type
        {L"Gain", REG_BINARY, {7, 0}, L"Gain=7/refused"},
    };
    OpenWithCamera(L"Brightness 0 255 1 128 auto;Gain 0 10 1 5 refuse");
    const std::wstring key = CameraControlKeyPath(TestCameraId(1).c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.sets).size());
        DeleteKey(HKEY_CURRENT_USER, key.c_str());
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), c.control, c.type, c.stored.data(),
                        static_cast<DWORD>(c.stored.size() * 4));
        ForgetSets();
        SetString(HKEY_CURRENT_USER, TestDeviceKey(1).c_str(), L"ControlSetsWhileStreaming", L"");
        Command(ID_PREVIEW);
        EXPECT_EQ(g_captureState, Previewing);
        EXPECT_EQ(Sets(), c.sets);
        // Put back before the camera streams, so that its first frame has them.
        EXPECT_EQ(DeviceRecord(1, L"ControlSetsWhileStreaming"), L"");
        EXPECT_TRUE(m_messages.empty());
    }
}

TEST_F(CameraSettingsTest, ARefusedValueShowsWhatTheCameraKept) {
    OpenWithCamera(L"Gain 0 10 1 5 refuse");
    InCameraSettings([](HWND dialog) {
        Slide(dialog, 0, 8);
        EXPECT_EQ(Rows(dialog)[0].position, 5);
        EXPECT_EQ(Rows(dialog)[0].value, L"5");
        Press(dialog, IDCANCEL);
    });
}

TEST_F(CameraSettingsTest, DriverSettingsOpenTheDriversPagesAndACameraWithoutControlsSaysSo) {
    // Pages of its driver but no picture control: "Camera..." leads to them all the same.
    OpenWithCamera(L"", 2);
    ULONG pagesShown = 0;
    AfxModalSeam().propertyFrame = [&](HWND, LPCWSTR, IUnknown* object, ULONG count, const CLSID*) {
        pagesShown = object ? count : 0;
        return S_OK;
    };
    InCameraSettings([](HWND dialog) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CAMERA_NO_CONTROLS)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CAMERA_DRIVER)));
        Press(dialog, IDC_CAMERA_DRIVER);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(pagesShown, 2u);

    // A camera without controls: "Camera..." is not there to press; opened anyway, the dialog
    // says so.
    Camera(3, L"Plain camera", L"YUY2 640 480 333333");
    CameraSettingsDlg plain(nullptr, TestCameraId(3).c_str());
    WindowWatcher watcher(L"Camera settings", [](HWND dialog) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CAMERA_NO_CONTROLS)));
        EXPECT_TRUE(Rows(dialog).empty());
        Press(dialog, IDOK);
    });
    plain.DoModal();
    EXPECT_TRUE(watcher.Join());
}

}  // namespace
