#include "LiveGuiObjects.h"

#include "ImportSlot.h"

#include <windows.h>

#include <map>

namespace {

enum class Kind { Gdi, Icon, Menu, Window };

std::map<HANDLE, Kind>& Made() {
    static std::map<HANDLE, Kind> made;
    return made;
}

template <class Handle>
Handle Record(Handle handle, Kind kind) {
    if (handle)
        Made()[reinterpret_cast<HANDLE>(handle)] = kind;
    return handle;
}

bool IsAlive(HANDLE handle, Kind kind) {
    switch (kind) {
        case Kind::Gdi:
            return ::GetObjectType(handle) != 0;
        case Kind::Icon: {
            ICONINFO info{};
            if (!::GetIconInfo(static_cast<HICON>(handle), &info))
                return false;
            ::DeleteObject(info.hbmMask);
            if (info.hbmColor)
                ::DeleteObject(info.hbmColor);
            return true;
        }
        case Kind::Menu:
            return ::IsMenu(static_cast<HMENU>(handle)) != FALSE;
        case Kind::Window:
            return ::IsWindow(static_cast<HWND>(handle)) != FALSE;
    }
    return false;
}

// The real functions, as the import table held them.
decltype(&::CreateCompatibleDC) realCreateCompatibleDC;
decltype(&::CreateCompatibleBitmap) realCreateCompatibleBitmap;
decltype(&::CreateBitmap) realCreateBitmap;
decltype(&::CreateSolidBrush) realCreateSolidBrush;
decltype(&::CreatePen) realCreatePen;
decltype(&::CreateFontIndirectW) realCreateFontIndirectW;
decltype(&::CreateIconIndirect) realCreateIconIndirect;
decltype(&::CopyIcon) realCopyIcon;
decltype(&::CopyImage) realCopyImage;
decltype(&::CreatePopupMenu) realCreatePopupMenu;
decltype(&::CreateMenu) realCreateMenu;
decltype(&::LoadMenuW) realLoadMenuW;
decltype(&::LoadMenuIndirectW) realLoadMenuIndirectW;
decltype(&::CreateWindowExW) realCreateWindowExW;

HDC WINAPI CreateCompatibleDCRecorded(HDC dc) { return Record(realCreateCompatibleDC(dc), Kind::Gdi); }
HBITMAP WINAPI CreateCompatibleBitmapRecorded(HDC dc, int cx, int cy) {
    return Record(realCreateCompatibleBitmap(dc, cx, cy), Kind::Gdi);
}
HBITMAP WINAPI CreateBitmapRecorded(int cx, int cy, UINT planes, UINT bits, const void* data) {
    return Record(realCreateBitmap(cx, cy, planes, bits, data), Kind::Gdi);
}
HBRUSH WINAPI CreateSolidBrushRecorded(COLORREF colour) { return Record(realCreateSolidBrush(colour), Kind::Gdi); }
HPEN WINAPI CreatePenRecorded(int style, int width, COLORREF colour) {
    return Record(realCreatePen(style, width, colour), Kind::Gdi);
}
HFONT WINAPI CreateFontIndirectWRecorded(const LOGFONTW* font) {
    return Record(realCreateFontIndirectW(font), Kind::Gdi);
}
HICON WINAPI CreateIconIndirectRecorded(PICONINFO info) { return Record(realCreateIconIndirect(info), Kind::Icon); }
HICON WINAPI CopyIconRecorded(HICON icon) { return Record(realCopyIcon(icon), Kind::Icon); }
HANDLE WINAPI CopyImageRecorded(HANDLE image, UINT type, int cx, int cy, UINT flags) {
    return Record(realCopyImage(image, type, cx, cy, flags), type == IMAGE_BITMAP ? Kind::Gdi : Kind::Icon);
}
HMENU WINAPI CreatePopupMenuRecorded() { return Record(realCreatePopupMenu(), Kind::Menu); }
HMENU WINAPI CreateMenuRecorded() { return Record(realCreateMenu(), Kind::Menu); }
HMENU WINAPI LoadMenuWRecorded(HINSTANCE instance, LPCWSTR name) {
    return Record(realLoadMenuW(instance, name), Kind::Menu);
}
HMENU WINAPI LoadMenuIndirectWRecorded(const MENUTEMPLATEW* menu) {
    return Record(realLoadMenuIndirectW(menu), Kind::Menu);
}
HWND WINAPI CreateWindowExWRecorded(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style, int x, int y, int cx,
                                    int cy, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return Record(realCreateWindowExW(exStyle, className, name, style, x, y, cx, cy, parent, menu, instance, param),
                  Kind::Window);
}

}  // namespace

bool WatchGuiObjects() {
    static int wrapped = -1;
    if (wrapped < 0) {
        wrapped = 0;
        wrapped += WrapImport(nullptr, "CreateCompatibleDC", &CreateCompatibleDCRecorded, &realCreateCompatibleDC);
        wrapped +=
            WrapImport(nullptr, "CreateCompatibleBitmap", &CreateCompatibleBitmapRecorded, &realCreateCompatibleBitmap);
        wrapped += WrapImport(nullptr, "CreateBitmap", &CreateBitmapRecorded, &realCreateBitmap);
        wrapped += WrapImport(nullptr, "CreateSolidBrush", &CreateSolidBrushRecorded, &realCreateSolidBrush);
        wrapped += WrapImport(nullptr, "CreatePen", &CreatePenRecorded, &realCreatePen);
        wrapped += WrapImport(nullptr, "CreateFontIndirectW", &CreateFontIndirectWRecorded, &realCreateFontIndirectW);
        wrapped += WrapImport(nullptr, "CreateIconIndirect", &CreateIconIndirectRecorded, &realCreateIconIndirect);
        wrapped += WrapImport(nullptr, "CopyIcon", &CopyIconRecorded, &realCopyIcon);
        wrapped += WrapImport(nullptr, "CopyImage", &CopyImageRecorded, &realCopyImage);
        wrapped += WrapImport(nullptr, "CreatePopupMenu", &CreatePopupMenuRecorded, &realCreatePopupMenu);
        wrapped += WrapImport(nullptr, "CreateMenu", &CreateMenuRecorded, &realCreateMenu);
        wrapped += WrapImport(nullptr, "LoadMenuW", &LoadMenuWRecorded, &realLoadMenuW);
        wrapped += WrapImport(nullptr, "LoadMenuIndirectW", &LoadMenuIndirectWRecorded, &realLoadMenuIndirectW);
        wrapped += WrapImport(nullptr, "CreateWindowExW", &CreateWindowExWRecorded, &realCreateWindowExW);
    }
    return wrapped > 0;
}

int LiveGuiObjects() {
    int live = 0;
    for (const auto& [handle, kind] : Made())
        live += IsAlive(handle, kind);
    return live;
}
