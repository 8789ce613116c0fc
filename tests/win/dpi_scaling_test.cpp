// Webcam.exe started on screens of 96, 120, 144 and 192 DPI, as a person would meet it on a
// laptop at 100 to 200 %: the toolbar's buttons, pictures and captions grow with the scale, the
// video area starts below the toolbar, and no control of any window reaches outside it, onto
// another control or past its own text; so in every language the program speaks. Screenshots:
// screenshots/dpi<dpi>-<window>.bmp, screenshots/<language>-dpi<dpi>-<window>.bmp.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/dialog_template.h"
#include "support/registry.h"
#include "support/scratch_directory.h"
#include "support/ui_helpers.h"
#include "support/webcam_process.h"
#include "virtual_devices.h"

using namespace testsupport;

namespace {

constexpr UINT kDpis[] = {96, 120, 144, 192};
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

// Wine's screen DPI for the processes started while this lives.
class ScreenDpi {
public:
    explicit ScreenDpi(UINT dpi) : m_had(RawValue(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", &m_old)) {
        SetDword(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", dpi);
    }
    ~ScreenDpi() {
        if (m_had)
            SetDword(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", *reinterpret_cast<DWORD*>(m_old.data()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    }

private:
    std::vector<BYTE> m_old;
    bool m_had;
};

// Starts Webcam.exe at each DPI of the table and hands its main window to `check`.
void AtEachDpi(const std::function<void(UINT dpi, WebcamProcess&, HWND main)>& check) {
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);  // no tooltip
    for (UINT dpi : kDpis) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        ScreenDpi screen(dpi);
        WebcamProcess program;
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        check(dpi, program, main);
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(program.WaitForExit(20000, &code));
    }
}

std::wstring Name(UINT dpi, const wchar_t* window) {
    return L"dpi" + std::to_wstring(dpi) + L"-" + window;
}

struct Control {
    std::wstring className, text;
    DWORD style;
    RECT rect;  // in the dialog's client area
};

std::vector<Control> VisibleControls(HWND dialog) {
    std::vector<Control> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        Control control{ClassName(c), WindowText(c), static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE)), {}};
        GetWindowRect(c, &control.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
        controls.push_back(control);
    }
    return controls;
}

bool IsGroupBox(const Control& c) {
    return _wcsicmp(c.className.c_str(), L"Button") == 0 && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 4 + 1, '\0');
    utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                        utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

std::wstring Describe(const Control& c) { return c.className + L" \"" + c.text + L"\""; }

// The room a control's text needs in the dialog's font at `dpi`, beyond what its rectangle
// gives it: a text that does not fit is cut off on the screen. Push buttons and check boxes
// keep their text on one line; static texts wrap at their width.
bool TextFits(const Control& c, HFONT font, UINT dpi) {
    if (c.text.empty()) return true;
    const bool isButton = _wcsicmp(c.className.c_str(), L"Button") == 0;
    const bool isStatic = _wcsicmp(c.className.c_str(), L"Static") == 0;
    if ((!isButton && !isStatic) || (isStatic && (c.style & SS_TYPEMASK) > SS_RIGHT)) return true;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need{0, 0, c.rect.right - c.rect.left, 0};
    DrawTextW(dc, c.text.c_str(), -1, &need, DT_CALCRECT | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    DeleteDC(dc);
    int room = c.rect.right - c.rect.left;
    const UINT type = c.style & BS_TYPEMASK;
    if (isButton && type != BS_GROUPBOX && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
        room -= MulDiv(16, dpi, 96);  // the box or circle and its gap
    else if (isButton)
        room -= MulDiv(type == BS_GROUPBOX ? 12 : 4, dpi, 96);  // the frame around the text
    // A pixel past the last letter's advance is its empty side bearing.
    return need.right <= room + 1 && (!isStatic || need.bottom <= c.rect.bottom - c.rect.top);
}

// What is wrong with `dialog`'s layout at `dpi`: a control outside the client area, two controls
// on each other (a group box holds a control whole or not at all) or a text cut off. Measured
// with the font of the dialog's template.
std::vector<std::wstring> LayoutFaults(HWND dialog, UINT templateId, UINT dpi, LANGID language) {
    std::vector<std::wstring> faults;
    ResourceModule program(ExecutableDirectory() + L"Webcam.exe");
    auto dialogTemplate = LoadDialogTemplate(program.get(), templateId, language);
    if (!dialogTemplate) return {L"no template"};
    HFONT font = CreateFontW(-MulDiv(dialogTemplate->pointSize, static_cast<int>(dpi), 72), 0, 0, 0,
                             dialogTemplate->weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             dialogTemplate->typeface.c_str());
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<Control> controls = VisibleControls(dialog);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& a = controls[i];
        if (!Inside(a.rect, client)) faults.push_back(Describe(a) + L" reaches outside");
        if (!TextFits(a, font, dpi)) faults.push_back(Describe(a) + L" cuts its text");
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Control& b = controls[j];
            RECT common;
            if (!IntersectRect(&common, &a.rect, &b.rect)) continue;
            bool holds = (IsGroupBox(a) && !IsGroupBox(b) && Inside(b.rect, a.rect)) ||
                         (IsGroupBox(b) && !IsGroupBox(a) && Inside(a.rect, b.rect));
            if (!holds) faults.push_back(Describe(a) + L" lies on " + Describe(b));
        }
    }
    DeleteObject(font);
    return faults;
}

void ExpectTidy(HWND dialog, UINT templateId, UINT dpi, const std::wstring& name, LANGID language = 0) {
    ASSERT_NE(dialog, nullptr);
    PumpMessages(100);
    for (const std::wstring& fault : LayoutFaults(dialog, templateId, dpi, language))
        ADD_FAILURE() << Utf8(fault);
    SaveScreenshot(CaptureWindow(dialog), name);
}

// Rows of the first toolbar button (Preview) holding ink, grouped into bands: the picture's
// bands, then the caption's.
struct InkBand {
    int top, bottom;
};
std::vector<InkBand> InkBands(const ScreenPixels& bar, int buttonWidth, int buttonHeight) {
    const unsigned background = bar.At(1, 1);
    std::vector<InkBand> bands;
    for (int y = 0; y < buttonHeight && y < bar.height; ++y) {
        bool ink = false;
        for (int x = 0; x < buttonWidth && !ink; ++x) {
            unsigned p = bar.At(x, y);
            ink = std::abs(static_cast<int>(p & 0xFF) - static_cast<int>(background & 0xFF)) > 60;
        }
        if (!ink) continue;
        if (!bands.empty() && bands.back().bottom == y) ++bands.back().bottom;
        else bands.push_back({y, y + 1});
    }
    return bands;
}

TEST(DpiScaling, ToolbarPicturesAndCaptionsGrowWithTheScaleAndTheVideoAreaStartsBelowIt) {
    int pictureAt96 = 0;
    AtEachDpi([&](UINT dpi, WebcamProcess&, HWND main) {
        HWND toolbar = FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
        ASSERT_NE(toolbar, nullptr);
        DWORD button = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
        EXPECT_NEAR(LOWORD(button), (82 + 7) * dpi / 96.0, 1.0);
        EXPECT_NEAR(HIWORD(button), (48 + 6) * dpi / 96.0, 1.0);
        // On the screen whole, a little wider than the five buttons.
        SetWindowPos(main, HWND_TOP, 0, 0, 5 * LOWORD(button) + MulDiv(80, dpi, 96), MulDiv(300, dpi, 96), 0);

        RECT bar;
        GetWindowRect(toolbar, &bar);
        const int videoTop = bar.bottom - bar.top + MulDiv(3, dpi, 96);
        ScreenPixels client = CaptureClientWhen(main, [&](const ScreenPixels& image) {
            return image.height > videoTop && image.At(image.width - 5, videoTop) == 0;
        });
        ASSERT_GT(client.height, videoTop);
        int firstBlack = 0;
        while (firstBlack < client.height && client.At(client.width - 5, firstBlack) != 0) ++firstBlack;
        EXPECT_EQ(firstBlack, videoTop);

        std::vector<InkBand> bands = InkBands(client, LOWORD(button), HIWORD(button));
        ASSERT_GE(bands.size(), 2u);
        const int picture = bands[bands.size() - 2].bottom - bands.front().top;
        const int caption = bands.back().bottom - bands.back().top;
        if (dpi == 96) pictureAt96 = picture;
        EXPECT_NEAR(picture, pictureAt96 * dpi / 96.0, 1.0 + dpi / 96.0);
        // "Preview" has neither descender nor accent: its height is the capital height of the
        // 11-pixel caption font (0.73 of it), at the scale.
        EXPECT_NEAR(caption, 0.73 * 11 * dpi / 96.0, 1.0 + dpi / 96.0);
        SaveScreenshot(CaptureWindow(main), Name(dpi, L"main-window"));
    });
}

// A dialog the main window opens on `message` (`command`), checked at each DPI.
void ExpectTidyAtEachDpi(UINT message, WPARAM command, const wchar_t* caption, UINT templateId, const wchar_t* name) {
    AtEachDpi([&](UINT dpi, WebcamProcess& program, HWND main) {
        PostMessageW(main, message, command, 0);
        HWND dialog = program.WaitForWindow(caption);
        ExpectTidy(dialog, templateId, dpi, Name(dpi, name));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST(DpiScaling, OptionsDialog) {
    ExpectTidyAtEachDpi(WM_COMMAND, ID_OPTION, L"Webcam Option", IDD_OPTION, L"options");
}

// The virtual camera's picture controls, for the camera settings dialog, while this lives: three
// of them, or with `all` every control there is.
class CameraControls {
public:
    explicit CameraControls(bool all = false) {
        wchar_t clsid[64];
        StringFromGUID2(CLSID_DefaultVirtualCamera, clsid, 64);
        m_key = std::wstring(L"Software\\WebcamTest\\Devices\\") + clsid;
        std::wstring controls = L"Brightness 0 255 1 128 auto;Contrast 0 100 1 50;Exposure -13 -1 1 -6 auto";
        if (all)
            for (const wchar_t* name : {L"Hue", L"Saturation", L"Sharpness", L"Gamma", L"WhiteBalance",
                                        L"BacklightCompensation", L"Gain", L"Focus", L"Zoom", L"Pan", L"Tilt",
                                        L"Roll", L"Iris"})
                controls += std::wstring(L";") + name + L" 0 100 1 50 auto";
        SetString(HKEY_CURRENT_USER, m_key.c_str(), L"Controls", controls.c_str());
    }
    ~CameraControls() { RegDeleteKeyValueW(HKEY_CURRENT_USER, m_key.c_str(), L"Controls"); }

private:
    std::wstring m_key;
};

TEST(DpiScaling, CameraSettingsDialog) {
    CameraControls controls;
    AtEachDpi([](UINT dpi, WebcamProcess& program, HWND main) {
        PostMessageW(main, WM_COMMAND, ID_OPTION, 0);
        HWND options = program.WaitForWindow(L"Webcam Option");
        ASSERT_NE(options, nullptr);
        PostMessageW(GetDlgItem(options, IDC_CAMERA_SETTINGS), BM_CLICK, 0, 0);
        HWND settings = program.WaitForWindow(L"Camera settings");
        ExpectTidy(settings, IDD_CAMERA_SETTINGS, dpi, Name(dpi, L"camera-settings"));
        PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST(DpiScaling, AboutBox) {
    ExpectTidyAtEachDpi(WM_SYSCOMMAND, IDM_ABOUTBOX, L"\u95DC\u65BC ZevuvArivid", IDD_ABOUTBOX, L"about");
}

// The prompt comes at start, before the main window, when the camera driver's flag is missing.
TEST(DpiScaling, RestartPrompt) {
    SetString(HKEY_LOCAL_MACHINE, kDriverKey, L"Other", L"x");
    for (UINT dpi : kDpis) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        ScreenDpi screen(dpi);
        WebcamProcess program;
        HWND prompt = program.WaitForWindow(L"");
        ExpectTidy(prompt, IDD_RESTART, dpi, Name(dpi, L"restart-prompt"));
        PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
        HWND main = program.WaitForMainWindow();
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(program.WaitForExit(20000, &code));
    }
    DeleteKey(HKEY_LOCAL_MACHINE, kDriverKey);
}

// The program's other languages, by their tags and their resources' language identifiers.
struct Language {
    const wchar_t* tag;
    LANGID id;
};
constexpr Language kLanguages[] = {{L"de-DE", 0x0407}, {L"fr-FR", 0x040C}, {L"es-ES", 0x0C0A},
                                   {L"it-IT", 0x0410}, {L"pt-BR", 0x0416}, {L"pl-PL", 0x0415},
                                   {L"ru-RU", 0x0419}, {L"ja-JP", 0x0411}, {L"zh-CN", 0x0804}};

// A dialog's caption in `language`.
std::wstring Caption(UINT templateId, LANGID language) {
    ResourceModule program(ExecutableDirectory() + L"Webcam.exe");
    auto dialogTemplate = LoadDialogTemplate(program.get(), templateId, language);
    return dialogTemplate ? dialogTemplate->caption : std::wstring();
}

// Every window of every language at every scale: the restart prompt (the driver's flag is
// missing), the options, the camera settings with every control a camera can have, and the
// About box, each found by its caption in that language.
TEST(DpiScaling, EveryLanguageFitsAtEveryScale) {
    CameraControls controls(true);
    SetString(HKEY_LOCAL_MACHINE, kDriverKey, L"Other", L"x");
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(Utf8(language.tag));
        SetString(HKEY_CURRENT_USER, kSettingsKey, L"uiLanguage", language.tag);
        const std::wstring options = Caption(IDD_OPTION, language.id), settings = Caption(IDD_CAMERA_SETTINGS, language.id),
                           about = Caption(IDD_ABOUTBOX, language.id);
        ASSERT_NE(options, Caption(IDD_OPTION, 0));  // translated
        for (UINT dpi : kDpis) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI");
            const std::wstring name = std::wstring(language.tag) + L"-" + Name(dpi, L"");
            ScreenDpi screen(dpi);
            WebcamProcess program;
            HWND prompt = program.WaitForWindow(L"");
            ExpectTidy(prompt, IDD_RESTART, dpi, name + L"restart-prompt", language.id);
            PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
            HWND main = program.WaitForMainWindow();
            ASSERT_NE(main, nullptr);
            PumpMessages(200);
            SaveScreenshot(CaptureWindow(main), name + L"main-window");
            PostMessageW(main, WM_COMMAND, ID_OPTION, 0);
            HWND optionsDialog = program.WaitForWindow(options.c_str());
            ExpectTidy(optionsDialog, IDD_OPTION, dpi, name + L"options", language.id);
            PostMessageW(GetDlgItem(optionsDialog, IDC_CAMERA_SETTINGS), BM_CLICK, 0, 0);
            HWND settingsDialog = program.WaitForWindow(settings.c_str());
            ExpectTidy(settingsDialog, IDD_CAMERA_SETTINGS, dpi, name + L"camera-settings", language.id);
            PostMessageW(settingsDialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(optionsDialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            HWND aboutDialog = program.WaitForWindow(about.c_str());
            ExpectTidy(aboutDialog, IDD_ABOUTBOX, dpi, name + L"about", language.id);
            PostMessageW(aboutDialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(main, WM_CLOSE, 0, 0);
            DWORD code = 1;
            EXPECT_TRUE(program.WaitForExit(20000, &code));
        }
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"uiLanguage");
    DeleteKey(HKEY_LOCAL_MACHINE, kDriverKey);
}

}  // namespace
