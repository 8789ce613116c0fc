// Window binding, message routing and layout of control bars.
#include "cwnd.h"
#include "ui_texts.h"

#include <commctrl.h>

#include <unordered_map>
#include <vector>

#include "cmenu.h"
#include "cwinapp.h"
#include "ctoolbar.h"
#include "modal_seam.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

// The handle map; user-interface thread only.
std::unordered_map<HWND, CWnd*>& HandleMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Routed handlers on the stack, and the objects to delete once there are none.
int g_routingDepth = 0;
std::vector<CWnd*>& PendingDeletions() {
    static std::vector<CWnd*> pending;
    return pending;
}

void LeaveRouting() {
    if (--g_routingDepth > 0) return;
    std::vector<CWnd*> pending;
    pending.swap(PendingDeletions());
    for (CWnd* wnd : pending) delete wnd;
}

}  // namespace

const MessageMap* CWnd::GetThisMessageMap() {
    static const MessageMapEntry entries[] = {
        {MessageMapEntry::Kind::End, 0, 0, 0, nullptr, nullptr, nullptr}};
    static const MessageMap map{&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd::~CWnd() {
    if (m_hWnd && HandleMap().count(m_hWnd)) {
        if (m_superProc) {
            ::DestroyWindow(m_hWnd);
        } else {
            ForgetWindow();
        }
    }
    delete m_systemMenu;
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto it = HandleMap().find(hwnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

bool CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd || HandleMap().count(hwnd)) return false;
    m_hWnd = hwnd;
    HandleMap()[hwnd] = this;
    return true;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (m_superProc) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    }
    ForgetWindow();
    return hwnd;
}

void CWnd::ForgetWindow() {
    HandleMap().erase(m_hWnd);
    m_hWnd = nullptr;
    m_superProc = nullptr;
}

bool CWnd::Subclass(HWND hwnd) {
    if (!Attach(hwnd)) return false;
    m_superProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RoutingWndProc)));
    return true;
}

bool CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id) {
    HWND hwnd = ::CreateWindowExW(exStyle, className, name, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top,
                                  parent ? parent->m_hWnd : nullptr,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    return hwnd && Subclass(hwnd);
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd) return false;
    HWND hwnd = m_hWnd;
    if (!m_superProc) ForgetWindow();  // not routed: WM_NCDESTROY will not reach us
    return ::DestroyWindow(hwnd) != FALSE;
}

void CWnd::DeleteWhenIdle(CWnd* wnd) {
    if (!wnd) return;
    if (g_routingDepth == 0) {
        delete wnd;
        return;
    }
    wnd->DestroyWindow();
    PendingDeletions().push_back(wnd);
}

LRESULT CALLBACK CWnd::RoutingWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    ++g_routingDepth;

    UINT savedMessage = wnd->m_currentMessage;
    WPARAM savedWParam = wnd->m_currentWParam;
    LPARAM savedLParam = wnd->m_currentLParam;
    wnd->m_currentMessage = message;
    wnd->m_currentWParam = wParam;
    wnd->m_currentLParam = lParam;

    LRESULT result = wnd->WindowProc(message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        WNDPROC super = wnd->m_superProc;
        wnd->ForgetWindow();
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->PostNcDestroy();  // may delete the object
        LeaveRouting();
        return result;
    }
    wnd->m_currentMessage = savedMessage;
    wnd->m_currentWParam = savedWParam;
    wnd->m_currentLParam = savedLParam;
    LeaveRouting();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return Default();
}

LRESULT CWnd::Default() {
    if (m_superProc)
        return ::CallWindowProcW(m_superProc, m_hWnd, m_currentMessage, m_currentWParam,
                                 m_currentLParam);
    return ::DefWindowProcW(m_hWnd, m_currentMessage, m_currentWParam, m_currentLParam);
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND) {
        bool fromControl = lParam != 0;
        *result = 0;
        if (OnCmdMsg(LOWORD(wParam), HIWORD(wParam), fromControl)) return true;
        // Commands no window takes go to the application object.
        CWinApp* app = AfxGetApp();
        return app && app->OnCmdMsg(LOWORD(wParam), HIWORD(wParam), fromControl);
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->code == TTN_GETDISPINFOW && OnToolTipText(header)) {
            *result = 0;
            return true;
        }
        // Reflection: a child that handles its own notification gets it first.
        CWnd* child = header ? FromHandlePermanent(header->hwndFrom) : nullptr;
        if (child) {
            if (const MessageMapEntry* e = FindReflectEntry(child->GetMessageMap(), header->code)) {
                *result = 0;
                (child->*(e->onNotify))(header, result);
                return true;
            }
        }
    }
    if (const MessageMapEntry* e = FindMessageEntry(GetMessageMap(), message)) {
        *result = (this->*(e->onMessage))(wParam, lParam);
        return true;
    }
    return false;
}

bool CWnd::OnToolTipText(NMHDR* header) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    UINT id = static_cast<UINT>(header->idFrom);
    const std::wstring text = id == 0 ? std::wstring() : Text(id);
    if ((info->uFlags & TTF_IDISHWND) || text.empty()) return false;
    const wchar_t* tip = wcschr(text.c_str(), L'\n');
    ::lstrcpynW(info->szText, tip ? tip + 1 : text.c_str(), ARRAYSIZE(info->szText));
    info->lpszText = info->szText;
    info->hinst = nullptr;
    return true;
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) const {
    DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
    HMENU menu = ::GetSystemMenu(m_hWnd, revert);
    if (!menu) return nullptr;
    if (!m_systemMenu) m_systemMenu = new CMenu;
    m_systemMenu->m_hMenu = menu;
    return m_systemMenu;
}

int CWnd::MessageBoxW(LPCWSTR text, LPCWSTR caption, UINT type) const {
    return AfxModalSeam().messageBox(m_hWnd, text, caption ? caption : L"", type);
}

void CWnd::RepositionBars(UINT first, UINT last, UINT leftOver) {
    RECT remaining;
    GetClientRect(&remaining);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
        auto* bar = dynamic_cast<CToolBar*>(FromHandlePermanent(child));
        if (id < first || id > last || !bar) continue;
        SIZE size = bar->CalcFixedLayout(true, remaining.right - remaining.left);
        ::MoveWindow(child, remaining.left, remaining.top, size.cx, size.cy, TRUE);
        remaining.top += size.cy;
    }
    if (leftOver != 0) {
        if (HWND rest = GetDlgItem(static_cast<int>(leftOver)))
            ::MoveWindow(rest, remaining.left, remaining.top, remaining.right - remaining.left,
                         remaining.bottom - remaining.top, TRUE);
    }
}
