// The resources shipped in Webcam.exe: dialog templates, texts, toolbar, bitmaps, icon and
// version information, read from the program file itself.
#include <windows.h>
#include <mmsystem.h>
#include <iterator>
#include <set>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "framework/toolbar_resource.h"
#include "resources/resource.h"
#include "support/dialog_template.h"
#include "support/scratch_directory.h"

using namespace testsupport;

namespace {

class WebcamResources : public ::testing::Test {
protected:
    ResourceModule m_program{ExecutableDirectory() + L"Webcam.exe"};
};

TEST_F(WebcamResources, MainWindowTemplate) {
    auto t = LoadDialogTemplate(m_program.get(), IDD_ZEVUVARIVID_DIALOG);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->caption, L"Webcam 1.2");
    EXPECT_EQ(t->style, 0x10CF0048u);
    EXPECT_EQ(t->exStyle, 0x00040300u);
    EXPECT_EQ(t->cx, 365);
    EXPECT_EQ(t->cy, 273);
    EXPECT_EQ(t->typeface, L"MS Shell Dlg");
    EXPECT_EQ(t->pointSize, 9);
    EXPECT_TRUE(t->items.empty());
}

TEST_F(WebcamResources, AboutBoxTemplate) {
    auto t = LoadDialogTemplate(m_program.get(), IDD_ABOUTBOX);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->caption, L"\u95DC\u65BC ZevuvArivid");
    EXPECT_EQ(t->style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(t->cx, 170);
    EXPECT_EQ(t->cy, 62);
    EXPECT_EQ(t->typeface, L"MS Shell Dlg");
    EXPECT_EQ(t->pointSize, 9);
    ASSERT_EQ(t->items.size(), 3u);

    const DialogItem& icon = t->items[0];
    EXPECT_EQ(icon.className, L"Static");
    EXPECT_EQ(icon.style & SS_TYPEMASK, DWORD(SS_ICON));
    EXPECT_EQ(icon.textOrdinal, IDR_MAINFRAME);
    EXPECT_EQ(icon.x, 14);
    EXPECT_EQ(icon.y, 14);

    const DialogItem& text = t->items[1];
    EXPECT_EQ(text.text, L"ZevuvArivid, 1.2 \u7248");
    EXPECT_EQ(text.x, 42);
    EXPECT_EQ(text.y, 14);
    EXPECT_EQ(text.cx, 114);
    EXPECT_EQ(text.cy, 8);

    const DialogItem& ok = t->items[2];
    EXPECT_EQ(ok.id, DWORD(IDOK));
    EXPECT_EQ(ok.text, L"\u78BA\u5B9A");
    EXPECT_EQ(ok.style & 0xF, DWORD(BS_DEFPUSHBUTTON));
    EXPECT_EQ(ok.x, 113);
    EXPECT_EQ(ok.y, 41);
    EXPECT_EQ(ok.cx, 50);
    EXPECT_EQ(ok.cy, 14);
}

TEST_F(WebcamResources, RestartPromptTemplate) {
    auto t = LoadDialogTemplate(m_program.get(), IDD_RESTART);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->style, 0x800008C8u);
    EXPECT_EQ(t->exStyle, DWORD(WS_EX_TOPMOST));
    EXPECT_TRUE(t->caption.empty());
    EXPECT_EQ(t->cx, 180);
    EXPECT_EQ(t->cy, 74);
    EXPECT_EQ(t->typeface, L"MS Shell Dlg");
    EXPECT_EQ(t->pointSize, 12);
    EXPECT_EQ(t->weight, 400);
    ASSERT_EQ(t->items.size(), 3u);

    struct Expected {
        DWORD id;
        const wchar_t* text;
        short x, y, cx, cy;
        DWORD kind;
    };
    const Expected expected[] = {
        {IDOK, L"Yes", 20, 50, 50, 14, BS_DEFPUSHBUTTON},
        {IDCANCEL, L"No", 110, 50, 50, 14, BS_PUSHBUTTON},
        {0xFFFF, L"You must restart your system for the configuration changes made to Webcam to "
                 L"take effect. Click Yes to restart now or No if you plan to maunally restart "
                 L"later.",
         11, 7, 160, 32, SS_LEFT},
    };
    for (size_t i = 0; i < 3; ++i) {
        const DialogItem& item = t->items[i];
        EXPECT_EQ(item.id & 0xFFFF, expected[i].id) << i;
        EXPECT_EQ(item.text, expected[i].text) << i;
        EXPECT_EQ(item.x, expected[i].x) << i;
        EXPECT_EQ(item.y, expected[i].y) << i;
        EXPECT_EQ(item.cx, expected[i].cx) << i;
        EXPECT_EQ(item.cy, expected[i].cy) << i;
        EXPECT_EQ(item.style & 0xF, expected[i].kind) << i;
    }
    EXPECT_TRUE(t->items[0].style & WS_TABSTOP);
    EXPECT_TRUE(t->items[1].style & WS_TABSTOP);
}

TEST_F(WebcamResources, AboutEntryText) {
    wchar_t text[256] = L"";
    ASSERT_GT(LoadStringW(m_program.get(), IDS_ABOUTBOX, text, 256), 0);
    EXPECT_STREQ(text, L"\u95DC\u65BC ZevuvArivid(&A)...");
}

// String `id` of the program's string table in `language`.
std::wstring StringIn(HMODULE module, UINT id, LANGID language) {
    HRSRC block = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const WCHAR* data = block ? static_cast<const WCHAR*>(LockResource(LoadResource(module, block))) : nullptr;
    if (!data) return {};
    for (UINT i = 0; i < id % 16; ++i) data += 1 + *data;
    return std::wstring(data + 1, *data);
}

// The pixels of `character` drawn black on white in `font`.
std::vector<BYTE> Shape(HFONT font, wchar_t character) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap), oldFont = SelectObject(dc, font);
    RECT all{0, 0, 40, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TextOutW(dc, 2, 2, &character, 1);
    GdiFlush();
    std::vector<BYTE> pixels(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + 40 * 40 * 4);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// The Japanese and Chinese words come out as their characters, not as boxes (which all look
// alike), in the dialogs' font and in the toolbar words' bold UI font: the system must have
// fonts with them (under Wine, the Noto CJK fonts the prefix is pointed to).
TEST_F(WebcamResources, JapaneseAndChineseWordsAreDrawnAsTheirCharacters) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW bold = metrics.lfMessageFont;
    bold.lfHeight = -14;
    bold.lfWeight = FW_BOLD;
    HFONT fonts[] = {CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg"),
                     CreateFontIndirectW(&bold)};
    for (LANGID language : {LANGID(0x0411), LANGID(0x0804)}) {
        SCOPED_TRACE(language);
        std::wstring characters;
        for (UINT id = IDS_WORD_PREVIEW; id <= IDS_WORD_OPTION; ++id)
            for (wchar_t c : StringIn(m_program.get(), id, language))
                if (c >= 0x2E80 && characters.find(c) == std::wstring::npos) characters += c;
        ASSERT_GE(characters.size(), 4u);
        const std::vector<BYTE> blank = Shape(fonts[0], L' ');
        for (HFONT font : fonts) {
            std::set<std::vector<BYTE>> shapes;
            for (wchar_t c : characters) {
                std::vector<BYTE> shape = Shape(font, c);
                EXPECT_NE(shape, blank) << std::hex << int(c);
                shapes.insert(shape);
            }
            EXPECT_EQ(shapes.size(), characters.size());
        }
    }
    for (HFONT font : fonts) DeleteObject(font);
}

TEST_F(WebcamResources, ToolbarHasFiveButtonsOf82By48) {
    std::string bytes = m_program.Bytes(MAKEINTRESOURCEW(241), IDR_TOOLBAR);
    auto toolbar = ParseToolbarResource(bytes.data(), bytes.size());
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->imageWidth, 82);
    EXPECT_EQ(toolbar->imageHeight, 48);
    EXPECT_EQ(toolbar->commandIds, (std::vector<uint16_t>{32771, 32772, 32773, 32774, 32775}));
}

// Bitmap resources hold a BITMAPINFOHEADER, the palette, then the bottom-up pixels.
struct ToolbarBitmap {
    UINT id;
    WORD bits;
    unsigned firstPixelColour;  // 0xRRGGBB, through the palette where there is one
};

void ExpectToolbarBitmap(const ResourceModule& program, const ToolbarBitmap& e, LONG width, LONG height) {
    std::string bytes = program.Bytes(RT_BITMAP, e.id);
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << e.id;
    auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
    EXPECT_EQ(header->biWidth, width) << e.id;
    EXPECT_EQ(header->biHeight, height) << e.id;  // positive: bottom-up
    EXPECT_EQ(header->biBitCount, e.bits) << e.id;

    size_t colours = e.bits <= 8 ? (header->biClrUsed ? header->biClrUsed : 1u << e.bits) : 0;
    auto* palette = reinterpret_cast<const RGBQUAD*>(bytes.data() + header->biSize);
    auto* pixels = reinterpret_cast<const BYTE*>(palette + colours);
    unsigned colour = 0;
    if (e.bits == 24) {
        colour = pixels[2] << 16 | pixels[1] << 8 | pixels[0];
    } else {
        unsigned index = e.bits == 4 ? pixels[0] >> 4 : pixels[0];
        if (e.bits == 4) {
            EXPECT_EQ(index, 7u);
        }
        if (e.bits == 8) {
            EXPECT_EQ(index, 227u);
            for (unsigned k = 0; k < 256; ++k) {
                ASSERT_TRUE(palette[k].rgbRed == k && palette[k].rgbGreen == k &&
                            palette[k].rgbBlue == k);
            }
        }
        colour = palette[index].rgbRed << 16 | palette[index].rgbGreen << 8 |
                 palette[index].rgbBlue;
    }
    EXPECT_EQ(colour, e.firstPixelColour) << e.id;
}

TEST_F(WebcamResources, ToolbarBitmapsAndTheirKeyPixels) {
    for (const ToolbarBitmap& e : {ToolbarBitmap{IDR_TOOLBAR, 4, 0xC0C0C0},
                                   ToolbarBitmap{IDB_TOOLBAR_NORMAL, 24, 0xE2E3EB},
                                   ToolbarBitmap{IDB_TOOLBAR_DISABLED, 8, 0xE3E3E3}})
        ExpectToolbarBitmap(m_program, e, 410, 48);
}

// The toolbar drawn for larger screens: its buttons and pictures at the scale, rounded.
TEST_F(WebcamResources, ToolbarsForEveryScale) {
    const struct {
        UINT toolbar, normal, disabled;
        uint16_t width, height;
    } scales[] = {{IDR_TOOLBAR_125, IDB_TOOLBAR_NORMAL_125, IDB_TOOLBAR_DISABLED_125, 103, 60},
                  {IDR_TOOLBAR_150, IDB_TOOLBAR_NORMAL_150, IDB_TOOLBAR_DISABLED_150, 123, 72},
                  {IDR_TOOLBAR_200, IDB_TOOLBAR_NORMAL_200, IDB_TOOLBAR_DISABLED_200, 164, 96},
                  {IDR_TOOLBAR_300, IDB_TOOLBAR_NORMAL_300, IDB_TOOLBAR_DISABLED_300, 246, 144}};
    for (const auto& s : scales) {
        std::string bytes = m_program.Bytes(MAKEINTRESOURCEW(241), s.toolbar);
        auto toolbar = ParseToolbarResource(bytes.data(), bytes.size());
        ASSERT_TRUE(toolbar) << s.toolbar;
        EXPECT_EQ(toolbar->imageWidth, s.width);
        EXPECT_EQ(toolbar->imageHeight, s.height);
        EXPECT_EQ(toolbar->commandIds, (std::vector<uint16_t>{32771, 32772, 32773, 32774, 32775}));
        for (const ToolbarBitmap& e : {ToolbarBitmap{s.toolbar, 4, 0xC0C0C0},
                                       ToolbarBitmap{s.normal, 24, 0xE2E3EB},
                                       ToolbarBitmap{s.disabled, 8, 0xE3E3E3}})
            ExpectToolbarBitmap(m_program, e, 5 * s.width, s.height);
    }
}

// The program is drawn for each monitor's scale: what the system reads from its manifest.
TEST_F(WebcamResources, ManifestAsksForPerMonitorScaling) {
    std::wstring path = ExecutableDirectory() + L"Webcam.exe";
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    const struct {
        const wchar_t* ns;
        const wchar_t* name;
        const wchar_t* value;
    } settings[] = {{L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
                    {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness",
                     L"PerMonitorV2, PerMonitor"}};
    for (const auto& setting : settings) {
        wchar_t value[64] = L"";
        SIZE_T written = 0;
        EXPECT_TRUE(QueryActCtxSettingsW(0, context, setting.ns, setting.name, value, 64, &written))
            << setting.name;
        EXPECT_STREQ(value, setting.value);
    }
    ReleaseActCtx(context);
}

TEST_F(WebcamResources, ProgramIcon) {
    EXPECT_NE(LoadImageW(m_program.get(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0),
              nullptr);
}

TEST_F(WebcamResources, VersionNamesWebcamExe) {
    std::wstring path = ExecutableDirectory() + L"Webcam.exe";
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(fixed->dwFileVersionLS, (0u << 16) | 202u);
    EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(fixed->dwProductVersionLS, 202u);

    for (const wchar_t* key : {L"\\StringFileInfo\\040404b0\\OriginalFilename",
                               L"\\StringFileInfo\\040404b0\\InternalName"}) {
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &length));
        EXPECT_STREQ(value, L"Webcam.exe");
    }
    wchar_t* version = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040404b0\\FileVersion",
                               reinterpret_cast<void**>(&version), &length));
    EXPECT_STREQ(version, L"1.2.0.202");
}

}  // namespace

namespace {

TEST(WebcamFiles, TheShutterSoundLiesBesideTheProgram) {
    std::wstring path = ExecutableDirectory() + L"Effect.wav";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char header[44] = {};
    DWORD read = 0;
    ReadFile(file, header, sizeof(header), &read, nullptr);
    DWORD size = GetFileSize(file, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(header, 4), "RIFF");
    EXPECT_EQ(std::string(header + 8, 4), "WAVE");
    EXPECT_GT(size, 1000u);
    // The sound system takes it.
    EXPECT_TRUE(PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
    PlaySoundW(nullptr, nullptr, 0);  // stopped before the process ends
}

}  // namespace

namespace {

TEST(WebcamOptionTemplate, EveryControlWithItsIdClassStyleTextAndPlace) {
    ResourceModule program(ExecutableDirectory() + L"Webcam.exe");
    auto t = LoadDialogTemplate(program.get(), IDD_OPTION);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->caption, L"Webcam Option");
    EXPECT_EQ(t->cx, 271);
    EXPECT_EQ(t->cy, 363);
    EXPECT_EQ(t->typeface, L"MS Shell Dlg");
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_FALSE(t->style & WS_VISIBLE);

    struct Expected {
        int id;  // -1: a static control without an id
        const wchar_t* className;
        DWORD kind;  // the low style bits that say what it is
        const wchar_t* text;
        short x, y, cx, cy;
    };
    const DWORD combo = CBS_DROPDOWN, group = BS_GROUPBOX, push = BS_PUSHBUTTON, radio = BS_AUTORADIOBUTTON;
    const Expected expected[] = {
        {-1, L"Button", group, L"Webcam Device", 32, 3, 211, 78},
        {1000, L"ComboBox", combo, L"", 38, 13, 196, 13},
        {-1, L"Static", SS_LEFT, L"Resolution", 38, 28, 34, 8},
        {1003, L"ComboBox", combo, L"", 38, 38, 196, 13},
        {-1, L"Static", SS_LEFT, L"Frame rate", 38, 54, 120, 8},
        {IDC_FRAME_RATE_LIST, L"ComboBox", CBS_DROPDOWNLIST, L"", 38, 64, 80, 80},
        {-1, L"Button", group, L"Audio Device", 32, 85, 211, 50},
        {1001, L"ComboBox", combo, L"", 38, 95, 196, 13},
        {-1, L"Static", SS_LEFT, L"Input Source", 38, 109, 46, 9},
        {1002, L"ComboBox", combo, L"", 38, 118, 196, 13},
        {-1, L"Button", group, L"Capture Path", 32, 138, 211, 53},
        {1006, L"Edit", 0, L"", 38, 148, 158, 15},
        {1007, L"Button", push, L"set", 200, 148, 36, 14},
        {-1, L"Static", SS_LEFT, L"Capture Format", 38, 164, 52, 8},
        {1017, L"Button", radio, L"Bmp", 38, 176, 29, 10},
        {1018, L"Button", radio, L"Jpg", 93, 177, 27, 10},
        {-1, L"Button", group, L"Record Path", 32, 194, 211, 42},
        {1008, L"Edit", 0, L"", 38, 204, 158, 15},
        {1009, L"Button", push, L"set", 200, 204, 36, 14},
        {-1, L"Button", group, L"Light Source", 32, 242, 211, 29},
        {1021, L"Button", radio, L"50Hz", 40, 255, 32, 10},
        {1022, L"Button", radio, L"60Hz", 92, 255, 32, 10},
        {IDOK, L"Button", BS_DEFPUSHBUTTON, L"OK", 63, 342, 50, 14},
        {IDCANCEL, L"Button", push, L"Cancel", 148, 342, 50, 14},
        {IDC_CAMERA_SETTINGS, L"Button", push, L"Camera...", 184, 26, 50, 11},
        {IDC_RECORD_PREVIEW_SIZE, L"Button", BS_AUTOCHECKBOX, L"Record at the preview's resolution", 38, 222, 196, 10},
        {-1, L"Button", group, L"Photo Timer and Intervals", 32, 275, 211, 61},
        {-1, L"Static", SS_LEFT, L"Photo timer", 38, 288, 44, 8},
        {IDC_PHOTO_TIMER, L"ComboBox", CBS_DROPDOWNLIST, L"", 86, 286, 36, 60},
        {-1, L"Static", SS_LEFT, L"seconds", 126, 288, 40, 8},
        {-1, L"Static", SS_LEFT, L"Take a picture every", 38, 304, 72, 8},
        {IDC_INTERVAL_SECONDS, L"Edit", 0, L"", 112, 302, 36, 12},
        {-1, L"Static", SS_LEFT, L"seconds", 152, 304, 40, 8},
        {-1, L"Static", SS_LEFT, L"up to", 38, 320, 24, 8},
        {IDC_INTERVAL_PICTURES, L"Edit", 0, L"", 64, 318, 36, 12},
        {-1, L"Static", SS_LEFT, L"pictures (0: no limit)", 104, 320, 90, 8},
    };
    ASSERT_EQ(t->items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const DialogItem& item = t->items[i];
        const Expected& e = expected[i];
        EXPECT_EQ(static_cast<int>(static_cast<short>(item.id)), e.id) << i;
        EXPECT_EQ(_wcsicmp(item.className.c_str(), e.className), 0) << i;  // either case
        EXPECT_EQ(item.style & 0xF, e.kind) << i;
        EXPECT_EQ(item.text, e.text) << i;
        EXPECT_EQ(item.x, e.x) << i;
        EXPECT_EQ(item.y, e.y) << i;
        EXPECT_EQ(item.cx, e.cx) << i;
        EXPECT_EQ(item.cy, e.cy) << i;
    }
    EXPECT_TRUE(t->items[1].style & WS_VSCROLL);
    EXPECT_TRUE(t->items[11].style & ES_READONLY);
    EXPECT_TRUE(t->items[11].style & ES_AUTOHSCROLL);
    EXPECT_TRUE(t->items[11].style & WS_BORDER);
    EXPECT_TRUE(t->items[17].style & ES_READONLY);
    EXPECT_TRUE(t->items[14].style & WS_GROUP);  // "Bmp" starts a group
    EXPECT_TRUE(t->items[20].style & WS_GROUP);  // "50Hz" starts a group
}

}  // namespace
