// A 32-bit top-down DIB in a memory DC, whose pixels the tests read back.
#pragma once

#include <windows.h>

class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const;
    void Fill(COLORREF colour) const;
    bool SameAs(const PixelCanvas& other) const;
    // The rightmost column in rows top..bottom-1 holding a pixel other than colour, or -1.
    int RightmostOtherThan(COLORREF colour, int top, int bottom) const;
    int LeftmostOtherThan(COLORREF colour, int top, int bottom) const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const DWORD* bits_ = nullptr;
};
