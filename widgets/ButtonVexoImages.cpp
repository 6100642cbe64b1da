// CButtonVexo's images: where the image goes beside the caption, and how an icon or a masked
// bitmap is painted in each state.
#include "ButtonVexo.h"

namespace {

constexpr int kImageMargin = 3;
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

void CButtonVexo::PlaceImage(int width, int height, BOOL hasCaption, const RECT& item, BOOL pressed, CRect* image,
                             CRect* caption) const {
    static_cast<RECT&>(*image) = item;
    switch (m_byImagePos) {
        case IMGPOS_LEFT:
            if (hasCaption) {
                image->left += kImageMargin;
                caption->left += width + kImageMargin;
            } else {
                image->left += (image->Width() - width) / 2;
            }
            image->top += (image->Height() - height) / 2;
            break;
        case IMGPOS_ABOVE:
            image->left += (image->Width() - width) / 2;
            if (hasCaption) {
                image->top = kImageMargin;
                caption->top += height;
            } else {
                image->top += (image->Height() - height) / 2;
            }
            break;
        case IMGPOS_RIGHT: {
            CRect client;
            ::GetClientRect(m_hWnd, &client);
            if (hasCaption) {
                caption->right = caption->Width() - width - kImageMargin;
                caption->left = kImageMargin;
                image->left = client.right - width - kImageMargin;
                image->top += (image->Height() - height) / 2;
            } else {
                image->left += (image->Width() - width) / 2;
            }
            break;
        }
        default:
            break;
    }
    if (pressed && !m_bCheckMode)
        ::OffsetRect(image, 1, 1);
}

// A push button shows the hot image [0] while hot; a check box shows it while pressed or checked.
int CButtonVexo::ChosenEntry(bool hasNormal, BOOL pressed) const {
    return hasNormal && !pressed && (m_bCheckMode || !m_bHover) ? 1 : 0;
}

void CButtonVexo::PaintIcon(CDC* dc, BOOL hasCaption, const RECT& item, CRect* caption, BOOL pressed, BOOL disabled) {
    const IconEntry& entry = m_icons[ChosenEntry(m_icons[1].hIcon != nullptr, pressed)];
    CRect image;
    PlaceImage(entry.cx, entry.cy, hasCaption, item, pressed, &image, caption);
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(entry.hIcon), 0, image.left, image.top,
                 image.Width(), image.Height(), DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
}

void CButtonVexo::PaintBitmap(CDC* dc, BOOL hasCaption, const RECT& item, CRect* caption, BOOL pressed, BOOL disabled) {
    const BitmapEntry& entry = m_bitmaps[ChosenEntry(m_bitmaps[1].hBitmap != nullptr, pressed)];
    const int width = entry.cx;
    const int height = entry.cy;
    CRect image;
    PlaceImage(width, height, hasCaption, item, pressed, &image, caption);

    CDC imageDc;
    imageDc.CreateCompatibleDC(dc);
    CDC maskDc;
    maskDc.CreateCompatibleDC(nullptr);
    // Declared after the DCs, so the bitmaps are put back before the DCs go (the mask DC first).
    SelectedObject imageChosen(imageDc, entry.hBitmap);
    SelectedObject maskChosen(maskDc, entry.hMask);

    if (!(disabled && m_bGreyDisabledBitmap)) {
        dc->BitBlt(image.left, image.top, width, height, &maskDc, 0, 0, SRCAND);
        dc->BitBlt(image.left, image.top, width, height, &imageDc, 0, 0, SRCPAINT);
        return;
    }
    // The disabled look wants the image on white, drawn in one piece.
    CBitmap work;
    work.CreateCompatibleBitmap(dc->m_hDC, width, height);
    {
        CDC workDc;
        workDc.CreateCompatibleDC(dc);
        SelectedObject workChosen(workDc, work);
        workDc.FillSolidRect(0, 0, width, height, kWhite);
        const COLORREF previous = workDc.SetBkColor(kWhite);
        workDc.BitBlt(0, 0, width, height, &maskDc, 0, 0, SRCAND);
        workDc.BitBlt(0, 0, width, height, &imageDc, 0, 0, SRCPAINT);
        workDc.SetBkColor(previous);
    }
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(static_cast<HBITMAP>(work)), 0, image.left,
                 image.top, width, height, DST_BITMAP | DSS_DISABLED);
}
