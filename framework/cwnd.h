// A window object bound to a Win32 window. Bound windows are kept in a handle map (user-
// interface thread only); a subclassed window's messages are routed through the object's
// message table, and whatever the table does not take goes to the window's original procedure.
#pragma once
#include <windows.h>

#include "ccmdtarget.h"

class CMenu;

// The framework's private message to lay out control bars, and its identifier range.
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;
constexpr UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to `hwnd`, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Binds without taking over the window procedure (controls whose messages need no table).
    bool Attach(HWND hwnd);
    HWND Detach();
    // Binds and routes the window's messages through this object's table.
    bool Subclass(HWND hwnd);

    bool CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id);
    virtual bool DestroyWindow();
    // Deletes a heap-allocated window object. While any routed handler runs on this thread
    // (perhaps one of the object's own, or of a control it holds, whose modal loop dispatched
    // the message asking for the deletion), the window is destroyed now and the object deleted
    // once the outermost handler has returned.
    static void DeleteWhenIdle(CWnd* wnd);

    // Message handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The original procedure's handling of the message being handled.
    LRESULT Default();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    // Window operations.
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const;
    void SetWindowTextW(LPCWSTR text) const { ::SetWindowTextW(m_hWnd, text); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void CheckRadioButton(int first, int last, int check) const {
        ::CheckRadioButton(m_hWnd, first, last, check);
    }
    HICON SetIcon(HICON icon, BOOL big) const {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big, reinterpret_cast<LPARAM>(icon)));
    }
    // The window's system menu, or null. The object stays valid while the window lives.
    CMenu* GetSystemMenu(BOOL revert);
    // A message box owned by this window, shown through the modal seam.
    int MessageBoxW(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK) const;

    // Lays out the control bars with ids in [first, last] along the client area's edges.
    void RepositionBars(UINT first, UINT last, UINT leftOver);

protected:
    // Called after the window has received its last message.
    virtual void PostNcDestroy() {}

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override;

    // Routes a message through the table; false when no entry took it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A control bar's tooltip asks for a button's text: the part after the line break of the
    // string resource of the button's command (the whole string when it has none).
    static bool OnToolTipText(NMHDR* header);

private:
    static LRESULT CALLBACK RoutingWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ForgetWindow();

    WNDPROC m_superProc = nullptr;  // the window's own procedure when subclassed
    CMenu* m_systemMenu = nullptr;  // owned wrapper, not the menu
    // The message being handled, for Default().
    UINT m_currentMessage = 0;
    WPARAM m_currentWParam = 0;
    LPARAM m_currentLParam = 0;
};
