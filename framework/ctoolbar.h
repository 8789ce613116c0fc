// A toolbar control bar: created along its parent's top edge, loaded from a toolbar resource
// and the bitmap of the same id, and laid out by the parent's RepositionBars.
#pragma once
#include "cwnd.h"
#include "raii.h"

// Control-bar styles kept by the bar itself, not by the toolbar window.
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_ALL = 0x0040FFFF;

class CToolBar : public CWnd {
    DECLARE_DYNAMIC(CToolBar)

public:
    ~CToolBar() override;

    BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, const RECT& borders, UINT id);
    BOOL LoadToolBar(UINT resourceId);
    // Size of the bar: the full available length when stretching, the buttons' height plus
    // the borders across.
    SIZE CalcFixedLayout(bool stretch, int availableWidth) const;

    DWORD GetBarStyle() const { return m_barStyle; }
    // The button images LoadToolBar gave the control; the bar deletes them after its window.
    HBITMAP ImageWell() const { return m_imageWell.get(); }

private:
    DWORD m_barStyle = 0;
    RECT m_borders{};
    SIZE m_buttonSize{};
    GdiObject<HBITMAP> m_imageWell;
};
