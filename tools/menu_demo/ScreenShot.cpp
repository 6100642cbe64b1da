#include "ScreenShot.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "framework/Dc.h"

namespace {

BOOL CALLBACK AddMenuWindow(HWND hwnd, LPARAM lParam) {
    wchar_t className[16] = {};
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(hwnd))
        return TRUE;
    ::GetClassNameW(hwnd, className, 16);
    if (lstrcmpW(className, L"#32768") != 0)
        return TRUE;
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    auto* area = reinterpret_cast<RECT*>(lParam);
    ::UnionRect(area, area, &window);
    return TRUE;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

RECT VisibleMenusArea() {
    RECT area{};
    ::EnumWindows(&AddMenuWindow, reinterpret_cast<LPARAM>(&area));
    return area;
}

bool SaveScreenArea(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    CClientDC screen(nullptr);
    CBitmap image;
    if (!image.Attach(::CreateDIBSection(screen.m_hDC, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                         nullptr, 0)))
        return false;
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    {
        SelectedObject selected(memory, image);
        memory.BitBlt(0, 0, width, height, &screen, area.left, area.top, SRCCOPY);
    }
    ::GdiFlush();

    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + rowBytes * static_cast<DWORD>(height);
    std::unique_ptr<FILE, FileCloser> out(_wfopen(path.c_str(), L"wb"));
    return out && std::fwrite(&file, sizeof file, 1, out.get()) == 1 &&
           std::fwrite(&header, sizeof header, 1, out.get()) == 1 &&
           std::fwrite(bits, static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 1, out.get()) == 1;
}
