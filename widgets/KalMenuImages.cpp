// Menu images as bitmaps, and the two ways of drawing a bitmap as a disabled image.
#include "KalMenu.h"

namespace {

constexpr DWORD kBrushWhereSourceBlack = 0xB8074A;  // brush where the source is 0, destination elsewhere
constexpr DWORD kBrushWhereSourceClear = 0xE20746;  // same, for a source whose figure bits are 0

// A one-bit DIB section with black as colour 0 and white as colour 1.
HBITMAP CreateMonochromeDib(HDC dc, int width, int height) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    return ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

BOOL KalMenu::MakeImageBitmap(int index, CDC& target, const KalMenu& menu, const CImageList& list, CBitmap& bitmap) {
    HICON icon = list.ExtractIcon(index);
    CDC memory;
    memory.CreateCompatibleDC(&target);
    bitmap.CreateCompatibleBitmap(target.m_hDC, menu.m_imageWidth, menu.m_imageHeight);
    {
        SelectedObject image(memory, bitmap);
        CBrush face(::GetSysColor(COLOR_BTNFACE));
        ::DrawIconEx(memory.m_hDC, 0, 0, icon, menu.m_imageWidth, menu.m_imageHeight, 0, face, DI_NORMAL);
    }
    memory.DeleteDC();
    if (icon)
        ::DestroyIcon(icon);
    return TRUE;
}

void KalMenu::DrawEmbossedImage(CDC& target, int x, int y, int width, int height, HBITMAP image, COLORREF background) {
    CDC source;
    if (!source.CreateCompatibleDC(&target))
        return;
    CDC mask;
    if (!mask.CreateCompatibleDC(&source))
        return;
    CBitmap dib;
    if (!dib.Attach(CreateMonochromeDib(source.m_hDC, width, height)))
        return;
    {
        SelectedObject maskBits(mask, dib);
        SelectedObject imageBits(source, image);
        // Pixels of the source's background colour (white) become 1: they stay out of the figure.
        mask.BitBlt(0, 0, width, height, &source, 0, 0, SRCCOPY);
        target.FillSolidRect(x, y, width, height, background);
        // A mask blitted to a colour DC takes its text (0) and background (1) colours: make them
        // black and white, so the raster operation sees the mask as it is.
        const COLORREF text = target.SetTextColor(RGB(0, 0, 0));
        const COLORREF back = target.SetBkColor(RGB(255, 255, 255));
        {
            CBrush highlight(::GetSysColor(COLOR_BTNHIGHLIGHT));
            SelectedObject brush(target, highlight);
            target.BitBlt(x + 1, y + 1, width, height, &mask, 0, 0, kBrushWhereSourceBlack);
        }
        CBrush shadow(::GetSysColor(COLOR_BTNSHADOW));
        SelectedObject brush(target, shadow);
        target.BitBlt(x, y, width, height, &mask, 0, 0, kBrushWhereSourceBlack);
        target.SetTextColor(text);
        target.SetBkColor(back);
    }
}

void KalMenu::DrawDitheredImage(CDC& target, int x, int y, int width, int height, HBITMAP image, COLORREF background) {
    CDC figure;
    figure.CreateCompatibleDC(nullptr);
    CBitmap figureBits;
    figureBits.CreateCompatibleBitmap(figure.m_hDC, width, height);  // monochrome, like the DC
    CDC picture;
    picture.CreateCompatibleDC(nullptr);
    {
        SelectedObject figureSelected(figure, figureBits);
        SelectedObject pictureSelected(picture, image);

        // The figure is 0 where the image shows neither the face nor the highlight colour.
        figure.PatBlt(0, 0, width, height, WHITENESS);
        picture.SetBkColor(::GetSysColor(COLOR_BTNFACE));
        figure.BitBlt(0, 0, width, height, &picture, 0, 0, SRCCOPY);
        picture.SetBkColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        figure.BitBlt(0, 0, width, height, &picture, 0, 0, SRCPAINT);

        picture.FillSolidRect(0, 0, width, height, background);
        picture.SetBkColor(RGB(0, 0, 0));
        picture.SetTextColor(RGB(255, 255, 255));
        CBrush highlight(::GetSysColor(COLOR_BTNHIGHLIGHT));
        CBrush shadow(::GetSysColor(COLOR_BTNSHADOW));
        {
            SelectedObject brush(picture, highlight);
            picture.BitBlt(0, 0, width, height, &figure, 0, 0, kBrushWhereSourceClear);
            target.BitBlt(x + 1, y + 1, width, height, &picture, 0, 0, SRCCOPY);
            picture.BitBlt(1, 1, width, height, &figure, 0, 0, kBrushWhereSourceClear);
        }
        SelectedObject brush(picture, shadow);
        picture.BitBlt(0, 0, width, height, &figure, 0, 0, kBrushWhereSourceClear);
        target.BitBlt(x, y, width, height, &picture, 0, 0, SRCCOPY);
    }
}
