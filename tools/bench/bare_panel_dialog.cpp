// bare_panel_dialog: the floor of start-up time for the work the panel does, in bare Win32. The
// panel's own dialog template (with its 33 controls) and manifest, the common controls
// initialised, the window icon and the About item of the system menu, and the 23 command icons
// loaded and set on their buttons; no framework.
#include <windows.h>

#include <commctrl.h>

#include "res/resource.h"
#include "ui/DeviceCommands.h"

namespace {

void SetUpPanel(HWND dialog) {
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
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetUpPanel(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        ::EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_QUORVEX_DIALOG), nullptr, DialogProc, 0));
}
