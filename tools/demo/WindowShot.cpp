#include "WindowShot.h"

#include <cstdio>
#include <memory>

#include "framework/Dc.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool WriteBmp(const std::wstring& path, const BITMAPINFOHEADER& header, const void* bits) {
    const DWORD rowBytes = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(header.biHeight);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageBytes;
    std::unique_ptr<FILE, FileCloser> out(_wfopen(path.c_str(), L"wb"));
    return out && std::fwrite(&file, sizeof file, 1, out.get()) == 1 &&
           std::fwrite(&header, sizeof header, 1, out.get()) == 1 && std::fwrite(bits, imageBytes, 1, out.get()) == 1;
}

}  // namespace

bool SaveWindowShot(HWND window, const std::wstring& path) {
    RECT area{};
    if (!::GetWindowRect(window, &area))
        return false;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = area.right - area.left;
    header.biHeight = area.bottom - area.top;  // bottom-up, as BMP files store rows
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
        memory.BitBlt(0, 0, header.biWidth, header.biHeight, &screen, area.left, area.top, SRCCOPY);
    }
    ::GdiFlush();
    return WriteBmp(path, header, bits);
}
