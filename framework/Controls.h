// Control classes: the messages of a button and of a combo box, as members.
#pragma once

#include "Wnd.h"

#include <string>

// An owner-drawn button paints in DrawItem, called with the WM_DRAWITEM its parent received.
class CButton : public CWnd {
public:
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message != WM_DRAWITEM)
            return CWnd::OnChildNotify(message, wParam, lParam, result);
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *result = TRUE;
        return TRUE;
    }
};

class CComboBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessageW(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessageW(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessageW(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    int InsertString(int index, const wchar_t* text) const {
        return static_cast<int>(SendMessageW(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
    }
    int DeleteString(int index) const { return static_cast<int>(SendMessageW(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() const { SendMessageW(CB_RESETCONTENT); }
    std::wstring GetLBText(int index) const {
        const LRESULT length = SendMessageW(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length == CB_ERR)
            return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        return text;
    }
};
