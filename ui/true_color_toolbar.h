// The main window's toolbar with 24-bit images for the normal, hot and disabled states, and a
// table of drop-down buttons that open a popup menu under the button (empty in this program).
#pragma once
#include "framework/carray.h"
#include "framework/ctoolbar.h"

class CTrueColorToolBar : public CToolBar {
public:
    struct stDropDownInfo {
        UINT uButtonID;
        UINT uMenuID;  // the low 16 bits name the menu resource
        CWnd* pParent;  // receives the popup menu's commands; not owned
    };

    ~CTrueColorToolBar() override;

protected:
    void OnToolbarDropDown(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    CArray<stDropDownInfo, stDropDownInfo&> m_dropDownTable;
};

// Gives the loaded `toolbar` the images of bitmap `bitmapId`, cut at its image width, for the
// state named by `stateMessage` (TB_SETIMAGELIST, TB_SETHOTIMAGELIST or
// TB_SETDISABLEDIMAGELIST); the colour of the bitmap's first stored pixel is transparent. In a
// language other than English the words under the pictures are drawn anew in `wordColour`.
// False, with nothing sent to the toolbar, on any failure.
bool InstallToolbarImages(CToolBar& toolbar, UINT stateMessage, UINT bitmapId, COLORREF wordColour);

// Normal and hot images from `normalId`, disabled images from `disabledId`; each step runs only
// when the one before succeeded.
void InstallTrueColorImages(CToolBar& toolbar, UINT normalId, UINT disabledId);
