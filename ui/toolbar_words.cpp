// Toolbar words drawn at run time.
#include "toolbar_words.h"

#include <algorithm>
#include <string>

#include "framework/raii.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"

namespace {

// The art's measures at 100 %, in pixels: its buttons, where its pictures end and its words
// begin, and the words' size (the em height of a bold font).
constexpr int kArtButtonWidth = 82, kWordsBand = 32, kWordsTop = 33, kWordsEm = 11, kSmallestEm = 7;

// The system's UI font, bold, `em` pixels high.
HFONT WordFont(int em) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -em;
    font.lfWidth = 0;
    font.lfWeight = FW_BOLD;
    font.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&font);
}

// The colour of the first stored pixel: the key colour every bitmap of the art starts with.
COLORREF FirstPixel(HDC dc, const BITMAP& description) {
    return GetPixel(dc, 0, description.bmHeight - 1);  // bottom-up: the first stored row is the last
}

}  // namespace

void DrawToolbarWords(HBITMAP bitmap, const BITMAP& description, int buttonWidth, COLORREF colour) {
    if (buttonWidth <= 0) return;
    MemoryDC dc(nullptr);
    if (!dc) return;
    SelectedObject selected(dc.get(), bitmap);
    const double scale = double(buttonWidth) / kArtButtonWidth;
    auto scaled = [scale](int length) { return static_cast<int>(length * scale + 0.5); };
    GdiObject<HBRUSH> key(CreateSolidBrush(FirstPixel(dc.get(), description)));
    const RECT band{0, scaled(kWordsBand), description.bmWidth, description.bmHeight};
    FillRect(dc.get(), &band, key.get());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), colour);
    for (int button = 0; button * buttonWidth < description.bmWidth && button < 5; ++button) {
        const std::wstring word = Text(IDS_WORD_PREVIEW + button);
        // A long word gets a smaller font, down to a readable least, to stay inside its button.
        for (int em = scaled(kWordsEm); em >= scaled(kSmallestEm); --em) {
            GdiObject<HFONT> font(WordFont(em));
            SelectedObject useFont(dc.get(), font.get());
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), word.c_str(), static_cast<int>(word.size()), &size);
            if (size.cx > buttonWidth - scaled(4) && em > scaled(kSmallestEm)) continue;
            // Where the art has its words, or higher where a font's lines are taller (Japanese,
            // Chinese): never below the button nor onto its picture.
            const int top = std::max<int>(band.top, std::min<int>(scaled(kWordsTop), description.bmHeight - size.cy));
            RECT place{button * buttonWidth, top, (button + 1) * buttonWidth, description.bmHeight};
            DrawTextW(dc.get(), word.c_str(), static_cast<int>(word.size()), &place,
                      DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
            break;
        }
    }
    GdiFlush();
}
