// A menu handle with the few operations the program uses. The object does not destroy a menu
// it did not load itself.
#pragma once
#include <windows.h>

class CWnd;

class CMenu {
public:
    CMenu() = default;
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    BOOL LoadMenuW(HINSTANCE module, UINT id);
    BOOL DestroyMenu();
    BOOL AppendMenuW(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) const {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }
    static BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, CWnd* owner,
                               const RECT* exclude);

private:
    bool m_owned = false;
};
