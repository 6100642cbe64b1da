#include "Wnd.h"

#include "App.h"
#include "Menu.h"

#include <map>

namespace {

// Handles live on the UI thread; only that thread attaches, detaches and looks them up.
std::map<HWND, CWnd*>& PermanentMap() {
    static std::map<HWND, CWnd*> map;
    return map;
}

// The child window a parent's notification comes from, if the message has one.
HWND NotifyingChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return draw->CtlType == ODT_MENU ? nullptr : draw->hwndItem;
    }
    case WM_MEASUREITEM: {
        const auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        return measure->CtlType == ODT_MENU ? nullptr : ::GetDlgItem(parent, static_cast<int>(measure->CtlID));
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<HWND>(lParam);
    default:
        (void)wParam;
        return nullptr;
    }
}

// The notification code and the control ID of a WM_COMMAND or WM_NOTIFY; zeros for other messages.
void DecodeNotification(UINT message, WPARAM wParam, LPARAM lParam, UINT* code, UINT* id) {
    *code = 0;
    *id = 0;
    if (message == WM_COMMAND) {
        *code = HIWORD(wParam);
        *id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<NMHDR*>(lParam);
        *code = header->code;
        *id = static_cast<UINT>(header->idFrom);
    }
}

}  // namespace

CWnd::~CWnd() {
    if (m_hWnd)
        UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto found = PermanentMap().find(hwnd);
    return found == PermanentMap().end() ? nullptr : found->second;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (m_hWnd || !::IsWindow(hwnd) || FromHandlePermanent(hwnd))
        return FALSE;
    m_hWnd = hwnd;
    PermanentMap()[hwnd] = this;
    PreSubclassWindow();
    superProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (superProc_)
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
    Detach();
    return hwnd;
}

void CWnd::Detach() {
    PermanentMap().erase(m_hWnd);
    m_hWnd = nullptr;
    superProc_ = nullptr;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandlePermanent(hwnd); wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
        if (hwnd == stop)
            break;
    }
    return FALSE;
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);

    const MSG previous = wnd->current_;
    wnd->current_ = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->current_ = previous;

    // The handle dies after this message: hand the window back and let the object clean up.
    if (message == WM_NCDESTROY && FromHandlePermanent(hwnd) == wnd) {
        wnd->UnsubclassWindow();
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProcW(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (ReflectToChild(message, wParam, lParam, result))
        return TRUE;

    UINT code = 0;
    UINT id = 0;
    DecodeNotification(message, wParam, lParam, &code, &id);
    if (const MessageMapEntry* entry = GetMessageMap().Find(message, code, id)) {
        *result = entry->invoke(*this, wParam, lParam);
        return TRUE;
    }
    // Owner-drawn menu items are drawn and measured by the permanent menu object that holds them.
    if (CMenu::RouteOwnerDraw(message, lParam)) {
        *result = TRUE;
        return TRUE;
    }
    // Commands nobody here handles go on to the application, as menu commands do.
    if (message == WM_COMMAND && lParam == 0 && AfxGetApp() && AfxGetApp()->OnCmdMsg(id, code)) {
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = NotifyingChild(m_hWnd, message, wParam, lParam);
    if (!child || child == m_hWnd)
        return FALSE;
    CWnd* childWnd = FromHandlePermanent(child);
    return childWnd && childWnd->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    UINT code = 0;
    UINT id = 0;
    DecodeNotification(message, wParam, lParam, &code, &id);
    const MessageMapEntry* entry = GetMessageMap().Find(kReflectBase + message, code, id);
    if (!entry)
        return FALSE;
    const LRESULT answer = entry->invoke(*this, wParam, lParam);
    if (!answer)
        return FALSE;
    *result = message == WM_COMMAND || message == WM_NOTIFY ? 0 : answer;
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT frameFlags) {
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    if (frameFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | frameFlags);
    return TRUE;
}

LRESULT CWnd::Default() { return DefWindowProcW(current_.message, current_.wParam, current_.lParam); }

LRESULT CWnd::DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) {
    if (superProc_)
        return ::CallWindowProcW(superProc_, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}
