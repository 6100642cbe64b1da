// CButtonVexo's owner-draw paint: the state of this paint, the black frame, the face, the border,
// the images, the caption and the focus rectangle.
#include "ButtonVexo.h"

#include <string>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

void Shrink(CRect* rect, int by) { ::InflateRect(rect, -by, -by); }

void FrameWith(CDC* dc, const RECT& rect, COLORREF colour) {
    CBrush brush(colour);
    ::FrameRect(dc->m_hDC, &rect, brush);
}

}  // namespace

void CButtonVexo::DrawItem(LPDRAWITEMSTRUCT draw) {
    CDC dc(draw->hDC);
    DecideState(draw->itemState);

    CRect face;
    static_cast<RECT&>(face) = draw->rcItem;
    dc.SetBkMode(TRANSPARENT);
    if (!m_bFlatStyle && (m_bStateFocused || m_bDefaultButton)) {
        FrameWith(&dc, face, kBlack);
        Shrink(&face, 1);
    }
    if (m_bParentBackdrop)
        CopyParentBackdrop(&dc);
    else
        PaintFaceBackground(&dc, &face);
    PaintBorder(&dc, &face);

    const std::wstring caption = GetWindowTextW();
    const BOOL hasCaption = !caption.empty();
    CRect area;
    static_cast<RECT&>(area) = draw->rcItem;
    if (m_icons[0].hIcon)
        PaintIcon(&dc, hasCaption, draw->rcItem, &area, m_bStatePressed, m_bStateDisabled);
    if (m_bitmaps[0].hBitmap) {
        dc.SetBkColor(kWhite);
        PaintBitmap(&dc, hasCaption, draw->rcItem, &area, m_bStatePressed, m_bStateDisabled);
    }
    if (hasCaption)
        PaintCaption(&dc, caption, area);

    if ((!m_bFlatStyle || m_bFocusRectWhenFlat) && m_bStateFocused) {
        CRect focus = face;
        Shrink(&focus, 3);
        ::DrawFocusRect(dc.m_hDC, &focus);
    }
}

void CButtonVexo::DecideState(UINT itemState) {
    if (m_bCheckMode) {
        m_bStatePressed = (itemState & ODS_SELECTED) || m_nCheckState != 0;
    } else {
        m_bStatePressed = (itemState & ODS_SELECTED) != 0;
        if (m_popupMenu.m_hMenu && m_bMenuOpen)
            m_bStatePressed = TRUE;
    }
    m_bStateFocused = (itemState & ODS_FOCUS) != 0;
    m_bStateDisabled = (itemState & ODS_DISABLED) != 0;
}

void CButtonVexo::PaintBorder(CDC* dc, CRect* rect) {
    if (m_bStatePressed) {
        if (!m_bFlatStyle)
            FrameWith(dc, *rect, ::GetSysColor(COLOR_BTNSHADOW));
        else if (m_bFlatBorder)
            PaintFaceBorder(dc, rect);
        return;
    }
    if (!m_bFlatStyle)
        PaintRaisedEdge(dc, *rect);
    else if (m_bHover && m_bFlatBorder)
        PaintFaceBorder(dc, rect);
}

// Four two-segment lines; LineTo leaves each end point undrawn.
void CButtonVexo::PaintRaisedEdge(CDC* dc, const CRect& rect) const {
    struct EdgeLine {
        int colourIndex;
        POINT start;
        POINT through;
        POINT end;
    };
    const LONG l = rect.left;
    const LONG t = rect.top;
    const LONG r = rect.right;
    const LONG b = rect.bottom;
    const EdgeLine lines[] = {
        {COLOR_BTNHIGHLIGHT, {l, b - 1}, {l, t}, {r, t}},
        {COLOR_3DLIGHT, {l + 1, b - 1}, {l + 1, t + 1}, {r, t + 1}},
        {COLOR_3DDKSHADOW, {l, b - 1}, {r - 1, b - 1}, {r - 1, t - 1}},
        {COLOR_BTNSHADOW, {l + 1, b - 2}, {r - 2, b - 2}, {r - 2, t}},
    };
    for (const EdgeLine& line : lines) {
        CPen pen(PS_SOLID, 0, ::GetSysColor(line.colourIndex));
        SelectedObject chosen(*dc, pen);
        dc->MoveTo(line.start.x, line.start.y);
        dc->LineTo(line.through.x, line.through.y);
        dc->LineTo(line.end.x, line.end.y);
    }
}

void CButtonVexo::PaintCaption(CDC* dc, const std::wstring& caption, CRect area) const {
    if (m_bStatePressed && !m_bCheckMode)
        ::OffsetRect(&area, 1, 1);
    const CRect room = area;
    ::DrawTextW(dc->m_hDC, caption.c_str(), -1, &area, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    ::OffsetRect(&area, (room.Width() - area.Width()) / 2, (room.Height() - area.Height()) / 2);
    dc->SetBkMode(TRANSPARENT);
    if (m_bStateDisabled) {
        // Etched: a highlight copy one pixel right and down, the shadow copy in place over it.
        ::OffsetRect(&area, 1, 1);
        dc->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc->m_hDC, caption.c_str(), -1, &area, DT_WORDBREAK | DT_CENTER);
        ::OffsetRect(&area, -1, -1);
        dc->SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextW(dc->m_hDC, caption.c_str(), -1, &area, DT_WORDBREAK | DT_CENTER);
        return;
    }
    const bool hot = m_bHover || m_bStatePressed;
    dc->SetTextColor(m_clrTable[hot ? CI_TEXT_HOT : CI_TEXT_NORMAL]);
    dc->SetBkColor(m_clrTable[hot ? CI_BACK_HOT : CI_BACK_NORMAL]);
    ::DrawTextW(dc->m_hDC, caption.c_str(), -1, &area, DT_WORDBREAK | DT_CENTER);
}

DWORD CButtonVexo::PaintFaceBackground(CDC* dc, CRect* rect) {
    int slot = CI_BACK_NORMAL;
    if (m_bHover || m_bStatePressed)
        slot = CI_BACK_HOT;
    else if (m_bStateFocused)
        slot = CI_BACK_FOCUS;
    CBrush brush(m_clrTable[slot]);
    dc->FillRect(*rect, brush);
    return 0;
}

DWORD CButtonVexo::PaintFaceBorder(CDC* dc, CRect* rect) {
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    if (m_bStatePressed)
        dc->Draw3dRect(*rect, shadow, highlight);
    else
        dc->Draw3dRect(*rect, highlight, shadow);
    return 0;
}

// The parent's pixels are read once; later paints copy the cache until WM_SYSCOLORCHANGE drops it.
void CButtonVexo::CopyParentBackdrop(CDC* dc) {
    const HWND parent = ::GetParent(m_hWnd);
    CClientDC parentDc(parent);
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);

    if (!m_dcBackdrop.GetSafeHdc()) {
        m_dcBackdrop.CreateCompatibleDC(&parentDc);
        m_bmpBackdrop.CreateCompatibleBitmap(parentDc.m_hDC, client.Width(), client.Height());
        m_hOldBackdropBmp = static_cast<HBITMAP>(m_dcBackdrop.SelectObject(m_bmpBackdrop));
        m_dcBackdrop.BitBlt(0, 0, client.Width(), client.Height(), &parentDc, window.left, window.top, SRCCOPY);
    }
    dc->BitBlt(0, 0, client.Width(), client.Height(), &m_dcBackdrop, 0, 0, SRCCOPY);
}
