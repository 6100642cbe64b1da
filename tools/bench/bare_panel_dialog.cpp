// bare_panel_dialog: the floor of start-up time for the work the panel does, in bare Win32. The
// panel's own dialog template (with its 33 controls) and manifest, the common controls
// initialised, the window icon and the About item of the system menu, the 23 command icons
// loaded and set on their buttons, and their tips; no framework.
#include <windows.h>

#include "bare_panel.h"
#include "res/resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetUpBarePanel(dialog);
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
    InitBarePanelControls();
    return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_QUORVEX_DIALOG), nullptr, DialogProc, 0));
}
