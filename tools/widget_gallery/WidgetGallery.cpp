// The icon button gallery: widget_gallery [--shot FILE.bmp]
// With --shot it saves a picture of the gallery and quits.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "GalleryDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    std::wstring shot;
    for (int index = 1; index + 1 < __argc; ++index)
        if (std::wstring(__wargv[index]) == L"--shot")
            shot = __wargv[index + 1];
    GalleryDialog gallery(shot);
    return gallery.DoModal() == IDOK ? 0 : 1;
}
