// A tooltip control: the window is created on demand and destroyed with this object.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "Window.h"

class CToolTipCtrl : public CWindow {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() { DestroyWindow(); }
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    // A popup tooltip owned by parent's top-level window.
    BOOL Create(HWND parent, DWORD style);
    void DestroyWindow();

    void Activate(BOOL active) const { SendMessageW(TTM_ACTIVATE, active); }
    int SetMaxTipWidth(int width) const { return static_cast<int>(SendMessageW(TTM_SETMAXTIPWIDTH, 0, width)); }
    void RelayEvent(MSG* msg) const { SendMessageW(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    // A tool for the whole of window, showing text; replaces the text when the tool exists already.
    // With TTF_SUBCLASS in extraFlags the tooltip watches the window's mouse itself, no relaying.
    BOOL SetToolText(HWND window, const wchar_t* text, UINT extraFlags = 0) const;
};
