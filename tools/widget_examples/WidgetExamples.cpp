// The examples of docs/widgets.md as a program: widget_examples [--close]
// With --close the dialog ends by itself once shown; the exit code is 0 when it came up.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ExampleDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // The tooltips and the menus' image lists are common controls.
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    RegisterMenuImages();

    const bool closeWhenShown = __argc > 1 && std::wstring(__wargv[1]) == L"--close";
    ExampleDialog dialog(closeWhenShown);
    return dialog.DoModal() == IDOK ? 0 : 1;
}
