#include "PixelCanvas.h"

#include <cstring>

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const DWORD*>(bits);
    previous_ = ::SelectObject(dc_, bitmap_);
    Fill(fill);
}

PixelCanvas::~PixelCanvas() {
    ::SelectObject(dc_, previous_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
    ::GdiFlush();
    const DWORD pixel = bits_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void PixelCanvas::Fill(COLORREF colour) const {
    HBRUSH brush = ::CreateSolidBrush(colour);
    const RECT all{0, 0, width_, height_};
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
}

bool PixelCanvas::SameAs(const PixelCanvas& other) const {
    ::GdiFlush();
    return width_ == other.width_ && height_ == other.height_ &&
           std::memcmp(bits_, other.bits_, sizeof(DWORD) * width_ * height_) == 0;
}

int PixelCanvas::RightmostOtherThan(COLORREF colour, int top, int bottom) const {
    for (int x = width_ - 1; x >= 0; --x)
        for (int y = top; y < bottom; ++y)
            if (At(x, y) != colour)
                return x;
    return -1;
}

int PixelCanvas::LeftmostOtherThan(COLORREF colour, int top, int bottom) const {
    for (int x = 0; x < width_; ++x)
        for (int y = top; y < bottom; ++y)
            if (At(x, y) != colour)
                return x;
    return -1;
}
