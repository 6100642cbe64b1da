#include "bare_panel.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/DeviceCommands.h"

namespace {

void AddButtonTips(HWND dialog) {
    HWND tips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!tips)
        return;
    RECT client{};
    ::GetClientRect(dialog, &client);
    ::SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, client.right - client.left);
    for (const DeviceCommand& command : kDeviceCommands) {
        HWND button = ::GetDlgItem(dialog, static_cast<int>(command.controlId));
        wchar_t caption[64] = {};
        ::GetWindowTextW(button, caption, 64);
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(button);
        tool.lpszText = caption;
        ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

}  // namespace

void InitBarePanelControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
}

void SetUpBarePanel(HWND dialog) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (HMENU systemMenu = ::GetSystemMenu(dialog, FALSE)) {
        wchar_t aboutText[128] = {};
        if (::LoadStringW(instance, IDS_ABOUTBOX, aboutText, 128) > 0) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }
    HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    ::EnableWindow(::GetDlgItem(dialog, IDC_CONNECT), FALSE);
    for (const DeviceCommand& command : kDeviceCommands) {
        HICON buttonIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(command.iconId));
        ::SendDlgItemMessageW(dialog, static_cast<int>(command.controlId), BM_SETIMAGE, IMAGE_ICON,
                              reinterpret_cast<LPARAM>(buttonIcon));
    }
    AddButtonTips(dialog);
}
