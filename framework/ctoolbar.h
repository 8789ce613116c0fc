// A toolbar control bar: created along its parent's top edge, loaded from a toolbar resource
// and the bitmap of the same id, and laid out by the parent's RepositionBars.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "cwnd.h"
#include "raii.h"

// Control-bar styles kept by the bar itself, not by the toolbar window.
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_ALL = 0x0040FFFF;

// Extra room around a button's image at 96 DPI, as the framework has always drawn it.
constexpr int kButtonPaddingX = 7;
constexpr int kButtonPaddingY = 6;

class CToolBar : public CWnd {
    DECLARE_DYNAMIC(CToolBar)

public:
    ~CToolBar() override;
    // The window, then the image lists the bar was given.
    bool DestroyWindow() override;

    BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, const RECT& borders, UINT id);
    BOOL LoadToolBar(UINT resourceId);
    // Button and image sizes in pixels; LoadToolBar sets the image size of its resource and a
    // button larger by the padding.
    void SetSizes(SIZE button, SIZE image);
    SIZE ImageSize() const { return m_imageSize; }
    // Size of the bar: the full available length when stretching, the buttons' height plus
    // the borders across.
    SIZE CalcFixedLayout(bool stretch, int availableWidth) const;

    DWORD GetBarStyle() const { return m_barStyle; }
    // The button images LoadToolBar gave the control; the bar deletes them after its window.
    HBITMAP ImageWell() const { return m_imageWell.get(); }
    // An image list given to the control (TB_SETIMAGELIST and the like): the bar destroys it
    // after its window.
    void OwnImageList(HIMAGELIST list) { m_imageLists.push_back(list); }

private:
    DWORD m_barStyle = 0;
    RECT m_borders{};
    SIZE m_buttonSize{};
    SIZE m_imageSize{};
    GdiObject<HBITMAP> m_imageWell;
    std::vector<HIMAGELIST> m_imageLists;
};
