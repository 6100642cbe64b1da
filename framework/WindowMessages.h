// Typed message-map entries for standard window messages: each builder decodes its message's
// wParam and lParam the way Windows packs them, so handlers take plain arguments.
#pragma once

#include "CmdTarget.h"
#include "Menu.h"

#include <windows.h>

// WM_SETCURSOR: (window under the cursor, hit-test code, mouse message) -> TRUE when the cursor was set.
template <class T>
MessageMapEntry OnSetCursorMessage(BOOL (T::*handler)(HWND, UINT, UINT)) {
    return {WM_SETCURSOR, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {
                return (static_cast<T&>(target).*handler)(reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                                                          HIWORD(lParam));
            }};
}

// WM_SETFOCUS, WM_KILLFOCUS: the other window.
template <class T>
MessageMapEntry OnFocusMessage(UINT message, void (T::*handler)(HWND)) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {
                (static_cast<T&>(target).*handler)(reinterpret_cast<HWND>(wParam));
                return 0;
            }};
}

// Client-area mouse messages: key flags and the point in client coordinates.
template <class T>
MessageMapEntry OnMouseMessage(UINT message, void (T::*handler)(UINT, POINT)) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {
                const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                (static_cast<T&>(target).*handler)(static_cast<UINT>(wParam), point);
                return 0;
            }};
}

// WM_ACTIVATE: (state, the other window, minimized).
template <class T>
MessageMapEntry OnActivateMessage(void (T::*handler)(UINT, HWND, BOOL)) {
    return {WM_ACTIVATE, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (static_cast<T&>(target).*handler)(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0);
                return 0;
            }};
}

// WM_ENABLE: the new enabled state.
template <class T>
MessageMapEntry OnEnableMessage(void (T::*handler)(BOOL)) {
    return {WM_ENABLE, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {
                (static_cast<T&>(target).*handler)(static_cast<BOOL>(wParam));
                return 0;
            }};
}

// WM_GETDLGCODE: the DLGC_ codes of the control.
template <class T>
MessageMapEntry OnGetDlgCodeMessage(UINT (T::*handler)()) {
    return {WM_GETDLGCODE, 0, 0, 0,
            [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT { return (static_cast<T&>(target).*handler)(); }};
}

// WM_MENUCHAR: (character, menu flags, the menu) -> the MNC_ answer.
template <class T>
MessageMapEntry OnMenuCharMessage(LRESULT (T::*handler)(UINT, UINT, CMenu*)) {
    return {WM_MENUCHAR, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
                return (static_cast<T&>(target).*handler)(LOWORD(wParam), HIWORD(wParam),
                                                          CMenu::FromHandle(reinterpret_cast<HMENU>(lParam)));
            }};
}

// WM_MEASUREITEM: (control ID, the structure to fill).
template <class T>
MessageMapEntry OnMeasureItemMessage(void (T::*handler)(int, LPMEASUREITEMSTRUCT)) {
    return {WM_MEASUREITEM, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (static_cast<T&>(target).*handler)(static_cast<int>(wParam),
                                                   reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
                return TRUE;
            }};
}
