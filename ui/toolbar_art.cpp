// Toolbar picture sets by screen scale.
#include "toolbar_art.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <iterator>
#include <utility>
#include <vector>

#include "framework/ui_texts.h"
#include "framework/window_dpi.h"
#include "resources/resource.h"

namespace {

constexpr ToolbarArt kArt[] = {
    {100, IDR_TOOLBAR, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_DISABLED},
    {125, IDR_TOOLBAR_125, IDB_TOOLBAR_NORMAL_125, IDB_TOOLBAR_DISABLED_125},
    {150, IDR_TOOLBAR_150, IDB_TOOLBAR_NORMAL_150, IDB_TOOLBAR_DISABLED_150},
    {200, IDR_TOOLBAR_200, IDB_TOOLBAR_NORMAL_200, IDB_TOOLBAR_DISABLED_200},
    {300, IDR_TOOLBAR_300, IDB_TOOLBAR_NORMAL_300, IDB_TOOLBAR_DISABLED_300},
};

std::vector<std::pair<int, BYTE>> ButtonStates(const CToolBar& toolbar) {
    std::vector<std::pair<int, BYTE>> states;
    if (!toolbar.m_hWnd) return states;
    int count = static_cast<int>(toolbar.SendMessage(TB_BUTTONCOUNT));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (toolbar.SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)))
            states.emplace_back(button.idCommand, button.fsState);
    }
    return states;
}

// Each button carries its name (its tooltip) as its text, for screen readers and the bar's own
// accessibility; no row of text is drawn: the pictures show the words.
void NameButtons(CToolBar& toolbar) {
    toolbar.SendMessage(TB_SETMAXTEXTROWS, 0);
    const int count = static_cast<int>(toolbar.SendMessage(TB_BUTTONCOUNT));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!toolbar.SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || button.idCommand == 0) continue;
        const std::wstring command = Text(static_cast<UINT>(button.idCommand));
        std::wstring name = command.substr(command.find(L'\n') + 1);
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT;
        info.pszText = name.data();
        toolbar.SendMessage(TB_SETBUTTONINFOW, static_cast<WPARAM>(button.idCommand), reinterpret_cast<LPARAM>(&info));
    }
}

}  // namespace

const ToolbarArt& ToolbarArtForDpi(UINT dpi) {
    const int percent = MulDiv(static_cast<int>(dpi), 100, 96);
    const ToolbarArt* best = &kArt[0];
    for (const ToolbarArt& art : kArt)
        if (std::abs(art.percent - percent) <= std::abs(best->percent - percent)) best = &art;
    return *best;
}

bool CreateToolbarForDpi(CTrueColorToolBar& toolbar, CWnd* parent, UINT dpi) {
    std::vector<std::pair<int, BYTE>> states = ButtonStates(toolbar);
    if (toolbar.m_hWnd) toolbar.DestroyWindow();  // with the image lists it drew from

    const ToolbarArt& art = ToolbarArtForDpi(dpi);
    RECT noBorders{};
    if (!toolbar.CreateEx(parent, TBSTYLE_FLAT,
                          WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS, noBorders,
                          AFX_IDW_TOOLBAR) ||
        !toolbar.LoadToolBar(art.toolbarId))
        return false;
    NameButtons(toolbar);
    SIZE image = toolbar.ImageSize();
    toolbar.SetSizes({image.cx + ScaleToDpi(kButtonPaddingX, dpi),
                      image.cy + ScaleToDpi(kButtonPaddingY, dpi)},
                     image);
    InstallTrueColorImages(toolbar, art.normalId, art.disabledId);
    for (const auto& [id, state] : states) toolbar.SendMessage(TB_SETSTATE, id, MAKELPARAM(state, 0));
    toolbar.ShowWindow(SW_SHOW);
    return true;
}
