// Toolbar picture sets by screen scale.
#include "toolbar_art.h"

#include <commctrl.h>

#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

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
    SIZE image = toolbar.ImageSize();
    toolbar.SetSizes({image.cx + ScaleToDpi(kButtonPaddingX, dpi),
                      image.cy + ScaleToDpi(kButtonPaddingY, dpi)},
                     image);
    InstallTrueColorImages(toolbar, art.normalId, art.disabledId);
    for (const auto& [id, state] : states) toolbar.SendMessage(TB_SETSTATE, id, MAKELPARAM(state, 0));
    toolbar.ShowWindow(SW_SHOW);
    return true;
}
