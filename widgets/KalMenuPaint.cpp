// Measuring, the choice of look, and what both looks share.
#include "KalMenuPaint.h"

#include <algorithm>

#include "KalMenu.h"
#include "KalMenuMetrics.h"

KalItemText SplitAtTabs(const std::wstring& text) {
    const size_t first = text.find(L'\t');
    if (first == std::wstring::npos)
        return {text, {}, false};
    return {text.substr(0, first), text.substr(text.rfind(L'\t') + 1), true};
}

void DrawItemText(CDC& dc, const KalItemText& text, const RECT& rect, COLORREF colour) {
    dc.SetTextColor(colour);
    dc.DrawText(text.label, rect, DT_SINGLELINE | DT_VCENTER);
    if (text.hasTab)
        dc.DrawText(text.accelerator, rect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

void DrawListImage(CDC& dc, const CImageList* list, int image, int x, int y) {
    if (list)
        list->Draw(dc.m_hDC, image, POINT{x, y}, ILD_TRANSPARENT);
}

HBITMAP CheckedBitmapOf(const DRAWITEMSTRUCT& draw) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    if (!::GetMenuItemInfoW(reinterpret_cast<HMENU>(draw.hwndItem), draw.itemID, FALSE, &info))
        return nullptr;
    return info.hbmpChecked;
}

KalItemLook KalMenu::LookOf(const KalMenuData& record, UINT state, bool flat) const {
    KalItemLook look;
    look.record = &record;
    look.image = record.imageIndex;
    look.list = record.imageList;
    look.own = record.ownImage;
    const int command = record.commandImageIndex;
    // The classic look falls back to the shared images whenever the item has none of its own; the
    // flat look only when it has no image index either.
    look.usesClassWide = command >= 0 && look.own < 0 && (!flat || look.image < 0);
    if (look.usesClassWide) {
        look.own = 0;
        look.image = command;
        look.list = &s_commandImages;
    }
    look.selected = (state & ODS_SELECTED) != 0;
    look.grayed = (state & ODS_GRAYED) != 0;
    look.checked = (state & ODS_CHECKED) != 0;
    if (look.checked && look.own < 0)
        look.checkImage = (look.selected && m_selectedCheckMark > 0) || m_checkMark > 0;
    else
        look.hasImage = look.own != -1;
    return look;
}

void KalMenu::DrawDisabledImage(CDC& dc, const KalItemLook& look, POINT at, COLORREF background) const {
    if (!look.list)
        return;
    CBitmap image;
    MakeImageBitmap(look.image, dc, *this, *look.list, image);
    if (m_embossDisabled)
        DrawEmbossedImage(dc, at.x, at.y, m_imageWidth, m_imageHeight, image, background);
    else
        DrawDitheredImage(dc, at.x, at.y, m_imageWidth, m_imageHeight, image, background);
}

void KalMenu::MeasureItem(LPMEASUREITEMSTRUCT measure) {
    const auto* record = reinterpret_cast<const KalMenuData*>(measure->itemData);
    if (!record)
        return;
    const bool flat = IsThemedXP() || s_drawStyle == 1;
    const int extra = flat ? 7 : 4;
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    if (record->flags & MF_SEPARATOR) {
        measure->itemWidth = 0;
        measure->itemHeight = static_cast<UINT>(std::max(menuHeight / 2, (m_imageHeight + extra) / 2));
        return;
    }
    LONG textWidth = 0;
    {
        CFont font;
        CreateMenuFont(font);
        CClientDC dc(MeasuringWindow());
        const HGDIOBJ previous = s_windowsVersion > 1 ? dc.SelectObject(font) : nullptr;
        if (s_windowsVersion != 0)
            textWidth = dc.GetTextExtent(record->GetText()).cx;
        if (previous)
            dc.SelectObject(previous);
    }
    const int width = flat ? textWidth + m_imageWidth + extra + 8 : textWidth + 2 * m_imageWidth + 1;
    measure->itemWidth = static_cast<UINT>(width);
    measure->itemHeight = static_cast<UINT>(std::max(menuHeight, m_imageHeight + extra));
}

void KalMenu::DrawItem(LPDRAWITEMSTRUCT draw) {
    const auto* record = reinterpret_cast<const KalMenuData*>(draw->itemData);
    if (!record)
        return;
    CDC dc(draw->hDC);
    const bool palette = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0;
    if (palette || (!IsThemedXP() && s_drawStyle != 1))
        DrawItemClassic(dc, *draw, *record);
    else
        DrawItemFlat(dc, *draw, *record);
}
