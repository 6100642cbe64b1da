// A real dialog from the tests' templates, shown modeless, whose object records every WM_COMMAND
// it receives; messages are pumped the way the framework's modal loop pumps them.
#pragma once

#include <windows.h>

#include <vector>

#include "widgets/ButtonVexo.h"

// The widget with its state open to the tests.
class ProbeButton : public CButtonVexo {
public:
    using CButtonVexo::CopyParentBackdrop;
    using CButtonVexo::m_bCheckMode;
    using CButtonVexo::m_bDefaultButton;
    using CButtonVexo::m_bHover;
    using CButtonVexo::m_bitmaps;
    using CButtonVexo::m_bMenuOpen;
    using CButtonVexo::m_bmpBackdrop;
    using CButtonVexo::m_dcBackdrop;
    using CButtonVexo::m_hHoverCursor;
    using CButtonVexo::m_icons;
    using CButtonVexo::m_nCheckState;
    using CButtonVexo::m_popupMenu;
    using CButtonVexo::m_tooltip;
};

class ButtonDialog : public CWnd {
public:
    explicit ButtonDialog(UINT templateId);
    ~ButtonDialog() override;

    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    // Runs every message waiting now, each offered to PreTranslateMessage first.
    void Pump() const;
    // Pumps until done() holds or the deadline passes; the final value of done().
    template <class Done>
    bool PumpUntil(Done done, DWORD timeoutMs = 10000) const {
        const DWORD start = ::GetTickCount();
        while (!done()) {
            if (::GetTickCount() - start > timeoutMs)
                return done();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
        return true;
    }
    int CommandCount(UINT id, UINT code) const;
    void ClearCommands() { commands_.clear(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<WPARAM> commands_;
};

// A flat colour icon of the given size, owned by the caller.
HICON SolidIcon(int size, COLORREF colour);
