// The classic look: raised and sunken 3D frames round images, the highlight colour behind the text.
#include <algorithm>

#include "KalMenu.h"
#include "KalMenuPaint.h"

namespace {

void FrameRaised(CDC& dc, const RECT& frame, bool sunken) {
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = ::GetSysColor(COLOR_BTNSHADOW);
    dc.Draw3dRect(frame, sunken ? dark : light, sunken ? light : dark);
}

}  // namespace

void KalMenu::DrawItemClassic(CDC& dc, const DRAWITEMSTRUCT& draw, const KalMenuData& record) const {
    const COLORREF back = ::GetSysColor(IsThemedXP() ? COLOR_BTNFACE : COLOR_MENU);
    RECT item = draw.rcItem;
    if (record.flags & MF_SEPARATOR) {
        dc.FillSolidRect(item, back);
        item.top += (item.bottom - item.top) >> 1;
        dc.DrawEdge(item, EDGE_ETCHED, BF_TOP);
        return;
    }

    const KalItemLook look = LookOf(record, draw.itemState, false);
    COLORREF text = ::GetSysColor(COLOR_MENUTEXT);
    if (!look.selected) {
        dc.FillSolidRect(item, back);
        dc.Draw3dRect(item, back, back);
    } else {
        RECT lit = item;
        // The image keeps its own frame beside the highlight.
        if (look.HasPicture() || look.checked)
            lit.left += m_imageWidth + 5;
        dc.FillSolidRect(lit, ::GetSysColor(COLOR_HIGHLIGHT));
        text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    }

    const int offset = std::max(0, static_cast<int>(item.bottom - item.top - m_imageHeight - 4) / 2);
    if (look.HasPicture()) {
        DrawClassicImage(dc, look, item, offset, back);
    } else if (look.checked) {
        const RECT box{item.left + 1, item.top + offset + 2, item.left + m_imageWidth + 1,
                       item.top + offset + m_imageHeight + 2};
        DrawCheckClassic(dc, box, look.selected, CheckedBitmapOf(draw));
    }

    const KalItemText parts = SplitAtTabs(record.GetText());
    if (parts.label.empty() && !parts.hasTab)
        return;
    RECT rect{item.left + m_imageWidth + 9, item.top - 1, item.right, item.bottom - 1};
    if (parts.hasTab)
        rect.right -= m_imageWidth;
    const int mode = ::SetBkMode(dc.m_hDC, TRANSPARENT);
    if (!look.grayed) {
        DrawItemText(dc, parts, rect, text);
    } else if (look.selected) {
        DrawItemText(dc, parts, rect, back);
    } else {
        const RECT raised{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        DrawItemText(dc, parts, raised, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawItemText(dc, parts, rect, ::GetSysColor(COLOR_GRAYTEXT));
    }
    ::SetBkMode(dc.m_hDC, mode);
}

void KalMenu::DrawClassicImage(CDC& dc, const KalItemLook& look, const RECT& item, int offset, COLORREF back) const {
    const int top = item.top + offset;
    const RECT inner{item.left + 1, top + 1, item.left + m_imageWidth + 3, top + m_imageHeight + 3};
    const RECT frame{item.left, top, item.left + m_imageWidth + 4, top + m_imageHeight + 4};
    const POINT at{item.left + 2, top + 2};
    dc.Draw3dRect(inner, back, back);
    const bool framed3d = s_windowsVersion > 1;

    if (look.checkImage && m_checkImages) {
        dc.FillSolidRect(inner, back);
        dc.Draw3dRect(frame, back, back);
        DrawListImage(dc, m_checkImages, look.selected ? 1 : 0, at.x, at.y);
    } else if (look.Disabled()) {
        dc.Draw3dRect(frame, back, back);
        DrawDisabledImage(dc, look, at, back);
    } else if (look.Hot()) {
        dc.FillSolidRect(inner, back);
        if (framed3d)
            FrameRaised(dc, frame, look.checked);
        DrawListImage(dc, look.list, look.image, at.x, at.y);
    } else if (look.checked) {
        dc.FillSolidRect(inner, LightenColor(0.6, back));
        if (framed3d)
            FrameRaised(dc, frame, true);
        DrawListImage(dc, look.list, look.image, at.x, at.y);
    } else {
        dc.FillSolidRect(inner, back);
        dc.Draw3dRect(frame, back, back);
        DrawListImage(dc, look.list, look.image, at.x, at.y);
    }
}
