// The demo's window: right-click shows the owner-drawn menu. With a shot file it opens the menu by
// itself, walks into the submenu with the keyboard, saves the screen under the menus and quits.
#pragma once

#include <string>

#include "framework/Wnd.h"
#include "widgets/KalMenu.h"

class DemoWindow : public CWnd {
public:
    explicit DemoWindow(std::wstring shotPath) : shotPath_(std::move(shotPath)) {}
    BOOL Create(HINSTANCE instance, const wchar_t* title);

protected:
    const MessageMap& GetMessageMap() const override;
    void PostNcDestroy() override { ::PostQuitMessage(0); }

private:
    void LoadDemoMenu(HINSTANCE instance);
    void OpenMenu(POINT at);
    void OnContextMenu(UINT, LPARAM position);
    void OnPaint();
    void OnExit();
    LRESULT OnMenuChar(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnterIdle(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartShot(WPARAM, LPARAM);

    std::wstring shotPath_;
    KalMenu menu_;
    int keysSent_ = 0;
};
