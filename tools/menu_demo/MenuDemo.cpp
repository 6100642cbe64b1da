// A small program that shows KalMenu in the classic or the flat look:
//   menu_demo [--flat] [--shot FILE.bmp]
// With --shot it opens the menu by itself, saves the menus as a BMP and quits.
#include <cstdlib>
#include <string>

#include "DemoWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    std::wstring shot;
    bool flat = false;
    for (int index = 1; index < __argc; ++index) {
        const std::wstring arg = __wargv[index];
        if (arg == L"--flat")
            flat = true;
        else if (arg == L"--shot" && index + 1 < __argc)
            shot = __wargv[++index];
    }

    KalMenu::s_drawStyle = flat ? 1 : 0;
    DemoWindow window(shot);
    if (!window.Create(instance, flat ? L"KalMenu: flat look" : L"KalMenu: classic look"))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
