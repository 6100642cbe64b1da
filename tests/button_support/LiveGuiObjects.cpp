#include "LiveGuiObjects.h"

#include <windows.h>

#include <cstring>
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

// Points this program's import of `name` at `replacement`; the old entry goes to *real.
template <class Function>
bool Wrap(const char* name, Function replacement, Function* real) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        auto* byName = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; byName->u1.AddressOfData; ++byName, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(byName->u1.Ordinal))
                continue;
            const auto* import = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + byName->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(import->Name), name) != 0)
                continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection))
                return false;
            *real = reinterpret_cast<Function>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<decltype(slot->u1.Function)>(replacement);
            ::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            return true;
        }
    }
    return false;
}

}  // namespace

bool WatchGuiObjects() {
    static int wrapped = -1;
    if (wrapped < 0) {
        wrapped = 0;
        wrapped += Wrap("CreateCompatibleDC", &CreateCompatibleDCRecorded, &realCreateCompatibleDC);
        wrapped += Wrap("CreateCompatibleBitmap", &CreateCompatibleBitmapRecorded, &realCreateCompatibleBitmap);
        wrapped += Wrap("CreateBitmap", &CreateBitmapRecorded, &realCreateBitmap);
        wrapped += Wrap("CreateSolidBrush", &CreateSolidBrushRecorded, &realCreateSolidBrush);
        wrapped += Wrap("CreatePen", &CreatePenRecorded, &realCreatePen);
        wrapped += Wrap("CreateFontIndirectW", &CreateFontIndirectWRecorded, &realCreateFontIndirectW);
        wrapped += Wrap("CreateIconIndirect", &CreateIconIndirectRecorded, &realCreateIconIndirect);
        wrapped += Wrap("CopyIcon", &CopyIconRecorded, &realCopyIcon);
        wrapped += Wrap("CopyImage", &CopyImageRecorded, &realCopyImage);
        wrapped += Wrap("CreatePopupMenu", &CreatePopupMenuRecorded, &realCreatePopupMenu);
        wrapped += Wrap("CreateMenu", &CreateMenuRecorded, &realCreateMenu);
        wrapped += Wrap("LoadMenuW", &LoadMenuWRecorded, &realLoadMenuW);
        wrapped += Wrap("LoadMenuIndirectW", &LoadMenuIndirectWRecorded, &realLoadMenuIndirectW);
        wrapped += Wrap("CreateWindowExW", &CreateWindowExWRecorded, &realCreateWindowExW);
    }
    return wrapped > 0;
}

int LiveGuiObjects() {
    int live = 0;
    for (const auto& [handle, kind] : Made())
        live += IsAlive(handle, kind);
    return live;
}
