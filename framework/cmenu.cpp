// Menus.
#include "cmenu.h"

#include "cwnd.h"

CMenu::~CMenu() {
    if (m_owned) DestroyMenu();
}

BOOL CMenu::LoadMenuW(HINSTANCE module, UINT id) {
    if (m_owned) DestroyMenu();
    m_hMenu = ::LoadMenuW(module, MAKEINTRESOURCEW(id));
    m_owned = m_hMenu != nullptr;
    return m_owned;
}

BOOL CMenu::DestroyMenu() {
    BOOL done = m_hMenu && ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    m_owned = false;
    return done;
}

BOOL CMenu::TrackPopupMenu(HMENU menu, UINT flags, int x, int y, CWnd* owner,
                           const RECT* exclude) {
    TPMPARAMS params{sizeof(params), {}};
    if (exclude) params.rcExclude = *exclude;
    return ::TrackPopupMenuEx(menu, flags, x, y, owner ? owner->m_hWnd : nullptr,
                              exclude ? &params : nullptr);
}
