// The true-colour toolbar: buttons, image lists for the three states, and transparency of the
// key colour.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "framework/cdialog.h"
#include "support/main_window_fixture.h"
#include "ui/true_color_toolbar.h"

using namespace testsupport;

namespace {

constexpr UINT kProbeDialog = 500;   // framework_test.rc
constexpr UINT kKeyColourProbe = 520;
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Image `index` of `list` drawn over magenta: 0x00RRGGBB pixels, top-down.
ScreenPixels DrawOverMagenta(HIMAGELIST list, int index) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    HBRUSH magenta = CreateSolidBrush(kMagenta);
    RECT all{0, 0, cx, cy};
    FillRect(dc, &all, magenta);
    ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
    GdiFlush();
    ScreenPixels image;
    image.width = cx;
    image.height = cy;
    auto* p = static_cast<const unsigned*>(bits);
    image.pixels.assign(p, p + cx * cy);
    for (unsigned& px : image.pixels) px &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(magenta);
    DeleteObject(dib);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return image;
}

class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.Create(kProbeDialog));
        ASSERT_TRUE(m_toolbar.CreateEx(&m_host, TBSTYLE_FLAT,
                                       WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS,
                                       RECT{}, AFX_IDW_TOOLBAR));
        ASSERT_TRUE(m_toolbar.LoadToolBar(IDR_TOOLBAR));
    }
    HIMAGELIST List(UINT getMessage) const {
        return reinterpret_cast<HIMAGELIST>(m_toolbar.SendMessage(getMessage));
    }

    CDialog m_host{kProbeDialog};
    CTrueColorToolBar m_toolbar;
};

TEST_F(ToolbarTest, FiveEnabledButtonsFromTheResource) {
    ASSERT_EQ(m_toolbar.SendMessage(TB_BUTTONCOUNT), 5);
    for (int i = 0; i < 5; ++i) {
        TBBUTTON button{};
        m_toolbar.SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(button.idCommand, ID_PREVIEW + i);
        EXPECT_EQ(button.iBitmap, i);
        EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
    }
    HIMAGELIST own = List(TB_GETIMAGELIST);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(own), 5);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(own, &cx, &cy);
    EXPECT_EQ(cx, 82);
    EXPECT_EQ(cy, 48);

    // The mapped bitmap lives as long as its bar and goes with it.
    auto bar = std::make_unique<CToolBar>();
    ASSERT_TRUE(bar->CreateEx(&m_host, TBSTYLE_FLAT, WS_CHILD, RECT{}, AFX_IDW_TOOLBAR + 1));
    ASSERT_TRUE(bar->LoadToolBar(IDR_TOOLBAR));
    HBITMAP well = bar->ImageWell();
    EXPECT_EQ(GetObjectType(well), static_cast<DWORD>(OBJ_BITMAP));
    bar.reset();
    EXPECT_EQ(GetObjectType(well), 0u);
}

TEST_F(ToolbarTest, TrueColourListsForTheThreeStates) {
    HIMAGELIST own = List(TB_GETIMAGELIST);
    InstallTrueColorImages(m_toolbar, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_DISABLED);
    for (UINT message : {TB_GETIMAGELIST, TB_GETHOTIMAGELIST, TB_GETDISABLEDIMAGELIST}) {
        HIMAGELIST list = List(message);
        ASSERT_NE(list, nullptr) << message;
        EXPECT_NE(list, own) << message;
        EXPECT_EQ(ImageList_GetImageCount(list), 5) << message;
        int cx = 0, cy = 0;
        ImageList_GetIconSize(list, &cx, &cy);
        EXPECT_EQ(cx, 82);
        EXPECT_EQ(cy, 48);
    }
    EXPECT_NE(List(TB_GETIMAGELIST), List(TB_GETHOTIMAGELIST));  // a list of its own each
    // Hot buttons look like normal ones; disabled ones differ.
    for (int image = 0; image < 5; ++image) {
        ScreenPixels normal = DrawOverMagenta(List(TB_GETIMAGELIST), image);
        EXPECT_EQ(DrawOverMagenta(List(TB_GETHOTIMAGELIST), image).pixels, normal.pixels) << image;
        EXPECT_NE(DrawOverMagenta(List(TB_GETDISABLEDIMAGELIST), image).pixels, normal.pixels) << image;
    }
}

TEST_F(ToolbarTest, FailedNormalListLeavesTheSixteenColourImagesAndStopsTheChain) {
    HIMAGELIST own = List(TB_GETIMAGELIST);
    EXPECT_FALSE(InstallToolbarImages(m_toolbar, TB_SETIMAGELIST, 9999, 0));
    InstallTrueColorImages(m_toolbar, 9999, IDB_TOOLBAR_DISABLED);
    EXPECT_EQ(List(TB_GETIMAGELIST), own);
    EXPECT_EQ(List(TB_GETHOTIMAGELIST), nullptr);
    EXPECT_EQ(List(TB_GETDISABLEDIMAGELIST), nullptr);
}

TEST_F(ToolbarTest, KeyColourIsTransparentAndAColourOneStepOffIsDrawn) {
    ASSERT_TRUE(InstallToolbarImages(m_toolbar, TB_SETIMAGELIST, kKeyColourProbe, 0));
    ScreenPixels drawn = DrawOverMagenta(List(TB_GETIMAGELIST), 0);
    const unsigned offByOne[] = {0xE1E3EB, 0xE3E3EB, 0xE2E2EB, 0xE2E4EB, 0xE2E3EA, 0xE2E3EC, 0};
    for (int x = 0; x < 7; ++x) EXPECT_EQ(drawn.At(x, 10), offByOne[x]) << x;
    for (int x = 7; x < 82; ++x) ASSERT_EQ(drawn.At(x, 10), 0xFF00FFu) << x;
    for (int y : {0, 9, 11, 47})
        for (int x = 0; x < 82; ++x) ASSERT_EQ(drawn.At(x, y), 0xFF00FFu) << x << "," << y;
}

TEST_F(ToolbarTest, ButtonBackgroundsOfTheShippedImagesAreTransparent) {
    InstallTrueColorImages(m_toolbar, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_DISABLED);
    for (UINT message : {TB_GETIMAGELIST, TB_GETDISABLEDIMAGELIST}) {
        for (int image = 0; image < 5; ++image) {
            ScreenPixels drawn = DrawOverMagenta(List(message), image);
            int transparent = 0;
            for (unsigned px : drawn.pixels) transparent += px == 0xFF00FF;
            // The corners are background; the picture and its word are drawn.
            EXPECT_EQ(drawn.At(0, 0), 0xFF00FFu);
            EXPECT_EQ(drawn.At(81, 47), 0xFF00FFu);
            EXPECT_GT(transparent, 82 * 48 / 2) << message << " " << image;
            EXPECT_LT(transparent, 82 * 48 - 150) << message << " " << image;
        }
    }
}

TEST_F(ToolbarTest, DisabledButtonsShowTheDisabledImages) {
    InstallTrueColorImages(m_toolbar, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_DISABLED);
    m_toolbar.SendMessage(TB_ENABLEBUTTON, ID_RECORD, FALSE);
    m_toolbar.MoveWindow(0, 0, 500, 54);
    RECT record{};
    m_toolbar.SendMessage(TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&record));
    RECT preview{};
    m_toolbar.SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&preview));
    // Pixels of clear colour (not grey) within a button.
    auto colourful = [](const ScreenPixels& strip, const RECT& r) {
        int count = 0;
        for (int y = r.top; y < r.bottom && y < strip.height; ++y)
            for (int x = r.left; x < r.right && x < strip.width; ++x) {
                unsigned px = strip.At(x, y);
                int red = px >> 16, green = (px >> 8) & 255, blue = px & 255;
                count += std::abs(red - green) > 40 || std::abs(green - blue) > 40;
            }
        return count;
    };
    ScreenPixels strip = CaptureClientWhen(m_toolbar.m_hWnd, [&](const ScreenPixels& s) {
        return colourful(s, record) == 0 && colourful(s, preview) > 20;
    });
    EXPECT_EQ(colourful(strip, record), 0);
    EXPECT_GT(colourful(strip, preview), 20);
}

}  // namespace
