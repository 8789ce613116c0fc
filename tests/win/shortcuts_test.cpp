// Everyday use of the main window with the virtual camera: its keyboard shortcuts, taken by
// the framework's message loop as a person's key presses are, and a picture copied to the
// clipboard.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/picture_timers.h"
#include "framework/cdialog.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/frame_conversion.h"
#include "snapshot/snapshot_pipeline.h"
#include "support/capture_fixture.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "test_pattern.h"
#include "ui/option_dlg.h"

using namespace testsupport;

namespace {

// Dispatches this thread's messages as the program's own loop does (shortcuts first).
void PumpAsTheProgram(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!AfxPreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// A key pressed (with Ctrl, or with `modifier`, held when asked) while the main window has the
// focus.
void Press(HWND window, UINT key, bool control = false, UINT modifier = 0) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    if (modifier) keys[modifier] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PumpAsTheProgram(300);
    keys[VK_CONTROL] = 0;
    if (modifier) keys[modifier] = 0;
    SetKeyboardState(keys);
}

void PressShiftSpace(HWND window) { Press(window, VK_SPACE, false, VK_SHIFT); }

class ShortcutTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        g_shutterSoundObserver = [this] { ++m_sounds; };
        Camera(1, L"Camera", L"YUY2 640 480 333333");
        Microphone(2, L"Microphone", L"Microphone");
        OpenWindow();
        wcscpy(g_settings.capturePath, m_pictures.path().c_str());
        wcscpy(g_settings.recordPath, m_records.path().c_str());
        g_settings.captureFormat = 1;
    }
    void TearDown() override {
        g_shutterSoundObserver = nullptr;
        CaptureTest::TearDown();
    }
    // The titles the window shows while the program's loop runs for `ms`.
    std::vector<std::wstring> TitlesFor(DWORD ms) {
        return WatchWindowDuring(m_window->m_hWnd, [ms] { PumpAsTheProgram(ms); }).titles;
    }
    ScratchDirectory m_pictures, m_records;
    int m_sounds = 0;
};

bool Saw(const std::vector<std::wstring>& titles, const wchar_t* title) {
    return std::find(titles.begin(), titles.end(), title) != titles.end();
}

TEST_F(ShortcutTest, EachShortcutDoesWhatItsButtonDoesAndNothingWhileItIsDisabled) {
    HWND window = m_window->m_hWnd;
    struct Step {
        UINT key;
        int state;           // the capture state after it
        size_t pictures;     // files in the snapshot folder after it
        size_t recordings;   // files in the record folder after it
        bool optionsOpen;
    } steps[] = {
        {'S', Stopped, 0, 0, false},       // Stop while stopped: nothing to stop
        {VK_SPACE, Stopped, 0, 0, false},  // Capture is pending until a graph runs...
        {'P', Previewing, 0, 0, false},    // ...and Preview drops it, as the button does
        {VK_SPACE, Previewing, 1, 0, false},
        {'R', Recording, 1, 1, false},
        {'R', Recording, 1, 1, false},  // disabled while recording: no second file
        {'P', Recording, 1, 1, false},  // disabled while recording
        {VK_SPACE, Recording, 2, 1, false},
        {'S', Previewing, 2, 1, false},
        {'S', Stopped, 2, 1, false},
        {'O', Stopped, 2, 1, true},
    };
    for (const Step& step : steps) {
        Press(window, step.key);
        DWORD start = GetTickCount();
        while (FilesIn(m_pictures.path()).size() < step.pictures && GetTickCount() - start < 10000)
            PumpAsTheProgram(50);
        EXPECT_EQ(g_captureState, step.state) << step.key;
        EXPECT_EQ(FilesIn(m_pictures.path()).size(), step.pictures) << step.key;
        EXPECT_EQ(FilesIn(m_records.path()).size(), step.recordings) << step.key;
        EXPECT_EQ(g_optionDlg && IsWindowVisible(g_optionDlg->m_hWnd), step.optionsOpen) << step.key;
    }
    EXPECT_TRUE(m_messages.empty());

    // Enter and Esc still end the program through the close-time teardown, once.
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        OpenWindow();
        Command(ID_PREVIEW);
        Press(m_window->m_hWnd, key);
        EXPECT_FALSE(IsWindowVisible(m_window->m_hWnd)) << key;
        EXPECT_FALSE(g_pGraph) << key;
    }
}

TEST_F(ShortcutTest, CtrlCCopiesTheNextFrameToTheClipboardAsTheBmpSnapshotsPixels) {
    HWND window = m_window->m_hWnd;
    // Stopped: nothing is asked for, from the key or the system menu.
    Press(window, 'C', true);
    SendMessageW(window, WM_SYSCOMMAND, IDM_COPYPICTURE, 0);
    Command(ID_PREVIEW);
    ASSERT_EQ(g_captureState, Previewing);
    DWORD sequence = GetClipboardSequenceNumber();
    PumpAsTheProgram(500);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);

    Press(window, 'C', true);
    DWORD start = GetTickCount();
    while (GetClipboardSequenceNumber() == sequence && GetTickCount() - start < 10000) PumpAsTheProgram(50);
    ASSERT_TRUE(OpenClipboard(window));
    HGLOBAL handle = GetClipboardData(CF_DIB);
    ASSERT_NE(handle, nullptr);
    std::vector<uint8_t> dib(static_cast<const uint8_t*>(GlobalLock(handle)),
                             static_cast<const uint8_t*>(GlobalLock(handle)) + GlobalSize(handle));
    GlobalUnlock(handle);
    GlobalUnlock(handle);
    CloseClipboard();
    ASSERT_GE(dib.size(), 40u + 640 * 480 * 4);
    auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    EXPECT_EQ(header->biWidth, 640);
    EXPECT_EQ(header->biHeight, 480);  // bottom-up
    EXPECT_EQ(header->biBitCount, 32);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));

    std::vector<uint8_t> frame(PatternFrameBytes(PixelLayout::Yuy2, 640, 480));
    FillPatternFrame(PixelLayout::Yuy2, 640, 480, frame.data(), frame.size());
    std::vector<uint8_t> expected(640 * 480 * 4);
    ASSERT_TRUE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480,
                                    expected.data(), expected.size()));
    for (int row = 0; row < 480; ++row)
        ASSERT_EQ(memcmp(&dib[40 + row * 2560], &expected[(479 - row) * 2560], 2560), 0) << row;
    EXPECT_TRUE(FilesIn(m_pictures.path()).empty());  // a copy writes no file
    EXPECT_TRUE(m_messages.empty());
}

// Shift+Space counts down in the title and takes the picture as Capture does; a second
// Shift+Space or any other key cancels it.
TEST_F(ShortcutTest, TheCountdownTakesOnePictureAndAnyOtherActionCancelsIt) {
    HWND window = m_window->m_hWnd;
    g_settings.photoTimerSeconds = 2;
    PressShiftSpace(window);  // nothing runs: no countdown
    EXPECT_EQ(WindowText(window), L"Webcam 1.2");
    Press(window, 'P');
    const struct {
        UINT cancelKey;  // 0: none, the countdown runs out
        size_t pictures;
    } cases[] = {{VK_SPACE, 0}, {'M', 0}, {'K', 0}, {0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cancelKey);
        PressShiftSpace(window);
        EXPECT_EQ(WindowText(window), L"Webcam 1.2 - picture in 2");
        if (c.cancelKey == VK_SPACE) PressShiftSpace(window);
        else if (c.cancelKey) Press(window, c.cancelKey);
        std::vector<std::wstring> titles = TitlesFor(3000);
        EXPECT_EQ(Saw(titles, L"Webcam 1.2 - picture in 1"), c.cancelKey == 0);
        EXPECT_EQ(WindowText(window), L"Webcam 1.2");
        EXPECT_EQ(FilesIn(m_pictures.path()).size(), c.pictures);
    }
    EXPECT_EQ(m_sounds, 1);
    EXPECT_TRUE(m_messages.empty());
}

// I starts a series while the picture runs: its first picture at once with the shutter sound,
// the others silently, each under a name of its own, the count in the title; it ends at its limit
// or with I, and one that cannot save ends at its first failure with one message.
TEST_F(ShortcutTest, PicturesAtIntervalsCountInTheTitleAndStopAtTheirLimit) {
    HWND window = m_window->m_hWnd;
    g_settings.intervalSeconds = 1;
    g_settings.intervalPictures = 3;
    Press(window, 'I');  // nothing runs: no series
    EXPECT_EQ(WindowText(window), L"Webcam 1.2");
    Press(window, 'P');
    Press(window, 'I');
    std::vector<std::wstring> titles = TitlesFor(3500);
    for (const wchar_t* title : {L"Webcam 1.2 - interval 1/3", L"Webcam 1.2 - interval 2/3"})
        EXPECT_TRUE(Saw(titles, title)) << title;
    EXPECT_EQ(WindowText(window), L"Webcam 1.2");
    EXPECT_EQ(FilesIn(m_pictures.path()).size(), 3u);
    EXPECT_EQ(m_sounds, 1);
    EXPECT_FALSE(GetMenuState(GetSystemMenu(window, FALSE), IDM_INTERVALS, MF_BYCOMMAND) & MF_CHECKED);

    // No limit, ended by the system menu's entry.
    g_settings.intervalPictures = 0;
    SendMessageW(window, WM_SYSCOMMAND, IDM_INTERVALS, 0);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(window, FALSE), IDM_INTERVALS, MF_BYCOMMAND) & MF_CHECKED);
    DWORD start = GetTickCount();
    while (WindowText(window) != L"Webcam 1.2 - interval 2" && GetTickCount() - start < 5000) PumpAsTheProgram(20);
    EXPECT_EQ(WindowText(window), L"Webcam 1.2 - interval 2");
    SendMessageW(window, WM_SYSCOMMAND, IDM_INTERVALS, 0);
    TitlesFor(1500);
    EXPECT_EQ(FilesIn(m_pictures.path()).size(), 5u);
    EXPECT_EQ(m_sounds, 2);

    // A folder that cannot take the pictures: one message, and the series is over.
    wcscpy(g_settings.capturePath, m_pictures.Child(L"gone\\").c_str());
    Press(window, 'I');
    TitlesFor(3000);
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Warning!: Can not save image!"}));
    EXPECT_EQ(WindowText(window), L"Webcam 1.2");
}

// A series goes on through what does not end the capture: a Capture in the same frame as one of
// its own pictures (each gets a frame and a file of its own), and Record, whose rebuild waits for
// the devices with the window answering.
TEST_F(ShortcutTest, ASeriesGoesOnBesideCaptureAndThroughRecord) {
    HWND window = m_window->m_hWnd;
    g_settings.intervalSeconds = 1;
    g_settings.intervalPictures = 0;
    Press(window, 'P');
    PostMessageW(window, WM_KEYDOWN, 'I', 1);
    PostMessageW(window, WM_KEYDOWN, VK_SPACE, 1);  // handled before the next frame comes
    PumpAsTheProgram(500);
    EXPECT_TRUE(IntervalSeriesRunning());
    EXPECT_EQ(FilesIn(m_pictures.path()).size(), 2u);
    Press(window, 'R');
    ASSERT_EQ(g_captureState, Recording);
    EXPECT_TRUE(IntervalSeriesRunning());
    std::vector<std::wstring> titles = TitlesFor(1500);
    EXPECT_TRUE(std::any_of(titles.begin(), titles.end(), [](const std::wstring& t) {
        return t.find(L" - recording ") != std::wstring::npos && t.find(L" - interval ") != std::wstring::npos;
    }));
    Press(window, 'S');
    EXPECT_FALSE(IntervalSeriesRunning());
    EXPECT_GE(FilesIn(m_pictures.path()).size(), 3u);  // Capture's, and the series' before and while recording
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
