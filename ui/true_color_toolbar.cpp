// True-colour toolbar images and drop-down buttons.
#include "true_color_toolbar.h"

#include <commctrl.h>

#include "framework/cimagelist.h"
#include "framework/cmenu.h"
#include "framework/cwinapp.h"
#include "framework/raii.h"
#include "framework/ui_texts.h"
#include "ui/toolbar_words.h"

BEGIN_MESSAGE_MAP(CTrueColorToolBar, CToolBar)
ON_NOTIFY_REFLECT(TBN_DROPDOWN, OnToolbarDropDown)
END_MESSAGE_MAP()

CTrueColorToolBar::~CTrueColorToolBar() { m_dropDownTable.RemoveAll(); }

void CTrueColorToolBar::OnToolbarDropDown(NMHDR* header, LRESULT*) {
    auto* notification = reinterpret_cast<NMTOOLBARW*>(header);
    for (ptrdiff_t i = 0; i < m_dropDownTable.GetSize(); ++i) {
        const stDropDownInfo& entry = m_dropDownTable[i];
        if (entry.uButtonID != static_cast<UINT>(notification->iItem)) continue;

        UINT menuId = LOWORD(entry.uMenuID);
        CMenu menu;
        if (!menu.LoadMenuW(AfxFindResourceHandle(MAKEINTRESOURCEW(menuId), RT_MENU), menuId))
            return;
        HMENU popup = menu.GetSubMenu(0);
        RECT button{};
        SendMessage(TB_GETRECT, notification->iItem, reinterpret_cast<LPARAM>(&button));
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&button), 2);
        if (popup)
            CMenu::TrackPopupMenu(popup, TPM_VERTICAL, button.left, button.bottom, entry.pParent,
                                  &button);
        menu.DestroyMenu();
        return;
    }
}

bool InstallToolbarImages(CToolBar& toolbar, UINT stateMessage, UINT bitmapId, COLORREF wordColour) {
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEW(bitmapId), RT_BITMAP);
    GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                   LR_CREATEDIBSECTION | LR_DEFAULTSIZE)));
    BITMAP description{};
    if (!bitmap || !GetObjectW(bitmap.get(), sizeof(description), &description) ||
        !description.bmBits)
        return false;
    if (UiLanguage() != MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL))
        DrawToolbarWords(bitmap.get(), description, toolbar.ImageSize().cx, wordColour);

    // The first three bytes of the pixel data, read as blue, green, red: the first stored
    // pixel's colour (for the 8-bit grey image, three equal palette indices).
    auto* first = static_cast<const BYTE*>(description.bmBits);
    COLORREF key = RGB(first[2], first[1], first[0]);

    const int imageWidth = toolbar.ImageSize().cx;
    CImageList images;
    if (imageWidth <= 0 ||
        !images.Create(imageWidth, description.bmHeight, ILC_COLOR24 | ILC_MASK,
                       description.bmWidth / imageWidth, 0))
        return false;
    if (images.Add(bitmap.get(), key) == -1) return false;

    // The bar destroys the list after its window; the bitmap was copied into it.
    HIMAGELIST list = images.Detach();
    toolbar.SendMessage(stateMessage, 0, reinterpret_cast<LPARAM>(list));
    toolbar.OwnImageList(list);
    return true;
}

void InstallTrueColorImages(CToolBar& toolbar, UINT normalId, UINT disabledId) {
    // The words' colours as the art draws them: dark blue, and washed-out grey when disabled.
    const COLORREF normal = RGB(28, 38, 72), disabled = RGB(133, 133, 133);
    if (InstallToolbarImages(toolbar, TB_SETIMAGELIST, normalId, normal) &&
        InstallToolbarImages(toolbar, TB_SETHOTIMAGELIST, normalId, normal))
        InstallToolbarImages(toolbar, TB_SETDISABLEDIMAGELIST, disabledId, disabled);
}
