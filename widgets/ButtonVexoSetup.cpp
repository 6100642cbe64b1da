// Filling CButtonVexo: each image, cursor and menu it is given becomes a handle of its own, so
// that destruction can release every handle it holds, entry by entry.
#include "ButtonVexo.h"

#include <cwchar>

namespace {

constexpr DWORD kDestAndNotSource = 0x00220326;  // DSna

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info))
        return {0, 0};
    BITMAP bitmap{};
    // A monochrome icon keeps its AND and XOR masks stacked in one bitmap of twice the height.
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    const SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return size;
}

IconEntry CopyIconEntry(HICON source) {
    if (!source)
        return {};
    const SIZE size = IconSize(source);
    return {::CopyIcon(source), size.cx, size.cy};
}

// A colour copy of source, black where it has the transparent colour, and its mask.
BitmapEntry MaskedBitmapEntry(HBITMAP source, COLORREF transparent) {
    BITMAP info{};
    if (!source || !::GetObjectW(source, sizeof(info), &info))
        return {};
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    CClientDC screen(nullptr);
    CDC sourceDc;
    CDC maskDc;
    CDC colourDc;
    sourceDc.CreateCompatibleDC(&screen);
    maskDc.CreateCompatibleDC(&screen);
    colourDc.CreateCompatibleDC(&screen);
    const HBITMAP mask = ::CreateBitmap(width, height, 1, 1, nullptr);
    const HBITMAP colour = ::CreateCompatibleBitmap(screen.m_hDC, width, height);
    {
        SelectedObject sourceChosen(sourceDc, source);
        SelectedObject maskChosen(maskDc, mask);
        SelectedObject colourChosen(colourDc, colour);
        // Colour to monochrome: pixels of the background colour become white, all others black.
        sourceDc.SetBkColor(transparent);
        maskDc.BitBlt(0, 0, width, height, &sourceDc, 0, 0, SRCCOPY);
        colourDc.BitBlt(0, 0, width, height, &sourceDc, 0, 0, SRCCOPY);
        colourDc.SetBkColor(RGB(255, 255, 255));
        colourDc.SetTextColor(RGB(0, 0, 0));
        colourDc.BitBlt(0, 0, width, height, &maskDc, 0, 0, kDestAndNotSource);
    }
    return {colour, width, height, mask};
}

}  // namespace

void CButtonVexo::ReleaseIcons() {
    for (IconEntry& entry : m_icons) {
        if (entry.hIcon)
            ::DestroyIcon(entry.hIcon);
        entry = {};
    }
}

void CButtonVexo::ReleaseBitmaps() {
    for (BitmapEntry& entry : m_bitmaps)
        if (entry.hBitmap)
            ::DeleteObject(entry.hBitmap);
    for (BitmapEntry& entry : m_bitmaps)
        if (entry.hMask)
            ::DeleteObject(entry.hMask);
    m_bitmaps[0] = {};
    m_bitmaps[1] = {};
}

void CButtonVexo::ReleaseImages() {
    ReleaseIcons();
    ReleaseBitmaps();
}

BOOL CButtonVexo::SetIcons(HICON hot, HICON normal) {
    ReleaseIcons();
    m_icons[0] = CopyIconEntry(hot);
    m_icons[1] = CopyIconEntry(normal);
    if (m_hWnd)
        Invalidate();
    return (!hot || m_icons[0].hIcon) && (!normal || m_icons[1].hIcon);
}

BOOL CButtonVexo::SetBitmaps(HBITMAP hot, COLORREF transparent, HBITMAP normal) {
    ReleaseBitmaps();
    m_bitmaps[0] = MaskedBitmapEntry(hot, transparent);
    m_bitmaps[1] = MaskedBitmapEntry(normal, transparent);
    if (m_hWnd)
        Invalidate();
    return (!hot || m_bitmaps[0].hBitmap) && (!normal || m_bitmaps[1].hBitmap);
}

BOOL CButtonVexo::SetColour(int slot, COLORREF colour) {
    if (slot < 0 || slot >= CI_COUNT)
        return FALSE;
    m_clrTable[slot] = colour;
    if (m_hWnd)
        Invalidate();
    return TRUE;
}

void CButtonVexo::SetImagePosition(BYTE position) {
    m_byImagePos = position;
    if (m_hWnd)
        Invalidate();
}

void CButtonVexo::SetFlat(BOOL flat) {
    m_bFlatStyle = flat;
    if (!flat)
        m_bHover = FALSE;  // hover exists only for flat buttons
    if (m_hWnd)
        Invalidate();
}

void CButtonVexo::SetFlatBorder(BOOL border) { m_bFlatBorder = border; }
void CButtonVexo::SetFocusRectWhenFlat(BOOL draw) { m_bFocusRectWhenFlat = draw; }
void CButtonVexo::SetGreyDisabledBitmap(BOOL grey) { m_bGreyDisabledBitmap = grey; }
void CButtonVexo::SetParentBackdrop(BOOL backdrop) { m_bParentBackdrop = backdrop; }
void CButtonVexo::SetTrackInactive(BOOL track) { m_bTrackInactive = track; }

BOOL CButtonVexo::SetHoverCursor(HCURSOR cursor) {
    if (m_hHoverCursor)
        ::DestroyCursor(m_hHoverCursor);
    // A copy: system cursors are shared and must never be destroyed.
    m_hHoverCursor = cursor ? static_cast<HCURSOR>(::CopyImage(cursor, IMAGE_CURSOR, 0, 0, 0)) : nullptr;
    return !cursor || m_hHoverCursor;
}

BOOL CButtonVexo::SetLink(const wchar_t* link) {
    const wchar_t* text = link ? link : L"";
    if (std::wcslen(text) >= MAX_PATH)
        return FALSE;
    std::wcscpy(m_szLink, text);
    return TRUE;
}

BOOL CButtonVexo::SetPopupMenu(UINT menuId, HWND target) {
    if (m_popupMenu.m_hMenu)
        m_popupMenu.DestroyMenuAndData();
    if (!m_popupMenu.LoadMenuResource(menuId))
        return FALSE;
    // A click shows the submenu at position 0; a menu without one is refused.
    if (!m_popupMenu.GetSubMenuHandle(0)) {
        m_popupMenu.DestroyMenuAndData();
        return FALSE;
    }
    m_hMenuTarget = target;
    return TRUE;
}

BOOL CButtonVexo::SetTooltipText(const wchar_t* text) {
    EnsureTooltip();
    if (!m_tooltip.SetToolText(m_hWnd, text))
        return FALSE;
    m_tooltip.Activate(TRUE);
    return TRUE;
}
