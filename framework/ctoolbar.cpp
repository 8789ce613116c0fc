// Toolbar creation and loading.
#include "ctoolbar.h"

#include <commctrl.h>
#include <utility>
#include <vector>

#include "cwinapp.h"
#include "toolbar_resource.h"

IMPLEMENT_DYNAMIC(CToolBar, CWnd)

CToolBar::~CToolBar() {
    if (m_hWnd) DestroyWindow();  // before the images it may still draw from go
    for (HIMAGELIST list : m_imageLists) ImageList_Destroy(list);
}

bool CToolBar::DestroyWindow() {
    const bool destroyed = CWnd::DestroyWindow();
    if (m_hWnd) return destroyed;
    for (HIMAGELIST list : m_imageLists) ImageList_Destroy(list);
    m_imageLists.clear();
    return destroyed;
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, const RECT& borders,
                        UINT id) {
    m_barStyle = style & CBRS_ALL;
    m_borders = borders;
    DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE |
                        CCS_NODIVIDER | CCS_NOMOVEY;
    if (m_barStyle & CBRS_TOOLTIPS) windowStyle |= TBSTYLE_TOOLTIPS;
    RECT empty{};
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEW, nullptr, windowStyle, empty, parent, id))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
    if (!m_hWnd) return FALSE;
    LPCWSTR name = MAKEINTRESOURCEW(resourceId);
    HINSTANCE module = AfxFindResourceHandle(name, MAKEINTRESOURCEW(241));
    HRSRC resource = ::FindResourceW(module, name, MAKEINTRESOURCEW(241));
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    auto toolbar = ParseToolbarResource(data, resource ? ::SizeofResource(module, resource) : 0);
    if (!toolbar) return FALSE;

    // The 16-colour images, with the standard greys mapped to the system's button colours.
    GdiObject<HBITMAP> images(::CreateMappedBitmap(module, static_cast<INT_PTR>(resourceId), 0, nullptr, 0));
    if (!images) return FALSE;

    int imageCount = 0;
    for (uint16_t id : toolbar->commandIds) imageCount += id != 0;
    SIZE imageSize{toolbar->imageWidth, toolbar->imageHeight};
    SetSizes({imageSize.cx + kButtonPaddingX, imageSize.cy + kButtonPaddingY}, imageSize);
    TBADDBITMAP bitmap{nullptr, reinterpret_cast<UINT_PTR>(images.get())};
    if (SendMessage(TB_ADDBITMAP, imageCount, reinterpret_cast<LPARAM>(&bitmap)) == -1) return FALSE;
    m_imageWell = std::move(images);  // the control may keep drawing from it

    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (uint16_t id : toolbar->commandIds) {
        TBBUTTON button{};
        button.idCommand = id;
        button.fsState = id ? TBSTATE_ENABLED : 0;
        button.fsStyle = id ? BTNS_BUTTON : BTNS_SEP;
        button.iBitmap = id ? image++ : 0;
        buttons.push_back(button);
    }
    return SendMessage(TB_ADDBUTTONS, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
    m_imageSize = image;
    m_buttonSize = button;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
}

SIZE CToolBar::CalcFixedLayout(bool stretch, int availableWidth) const {
    DWORD packed = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
    int buttonHeight = HIWORD(packed) ? HIWORD(packed) : m_buttonSize.cy;
    int width = availableWidth;
    if (!stretch) {
        RECT last{};
        int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
        if (count > 0) SendMessage(TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
        width = last.right + m_borders.left + m_borders.right;
    }
    return {width, buttonHeight + m_borders.top + m_borders.bottom};
}
