// The flat look: a light image column on the left, a framed, lightened highlight, and images that
// rise on hover.
#include <algorithm>
#include <memory>
#include <optional>

#include "KalMenu.h"
#include "KalMenuMemDC.h"
#include "KalMenuMetrics.h"
#include "KalMenuPaint.h"

namespace {

// Centres a span of size inside one of room, rounding half up, never before the start.
int CentredStart(int room, int size) { return std::max(0, (room - size + 1) / 2); }

// The two images of an item's triple besides the hot one, when it has one.
struct ImageTriple {
    int normal = -1;
    int shadow = -1;
    bool present = false;
};

ImageTriple TripleOf(const KalMenuData& record, const KalItemLook& look) {
    if (record.imageIndex == 0 && record.imageList && record.imageList->GetImageCount() > 2)
        return {1, 2, true};
    if (look.usesClassWide && KalMenu::HasImageTriple(look.image))
        return {look.image + 1, look.image + 2, true};
    return {};
}

}  // namespace

void KalMenu::DrawItemFlat(CDC& itemDc, const DRAWITEMSTRUCT& draw, const KalMenuData& record) const {
    const bool themed = IsThemedXP();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF column = themed ? face : LightenColor(0.25, face);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const int columnWidth = m_imageWidth + 7;
    UINT state = draw.itemState;

    // A grayed item is never shown highlighted; drawing it off-screen keeps it from flickering
    // when Windows reports it selected.
    CFont font;
    std::unique_ptr<KalMenuMemDC> memory;
    std::optional<SelectedObject> menuFont;
    CDC* dc = &itemDc;
    if ((state & ODS_GRAYED) && s_highlightGrayed == 0) {
        state &= ~ODS_SELECTED;
        memory = std::make_unique<KalMenuMemDC>(&itemDc, draw.rcItem);
        CreateMenuFont(font);
        menuFont.emplace(*memory, font);
        dc = memory.get();
    }

    RECT item = draw.rcItem;
    const RECT columnRect{item.left, item.top, item.left + columnWidth, item.bottom};
    if (record.flags & MF_SEPARATOR) {
        dc->FillSolidRect(item, window);
        RECT line = item;
        line.top += (item.bottom - item.top) >> 1;
        line.left = columnRect.right + 7;
        dc->DrawEdge(line, EDGE_ETCHED, BF_TOP);
        dc->FillSolidRect(columnRect, column);
        dc->Draw3dRect(columnRect, column, column);
        return;
    }

    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selection = LightenColor(themed ? 0.7 : 0.85, highlight);
    const KalItemLook look = LookOf(record, state, true);
    if (!look.selected) {
        dc->FillSolidRect(item, window);
        dc->FillSolidRect(columnRect, column);
        dc->Draw3dRect(item, window, window);
        dc->Draw3dRect(columnRect, column, column);
    } else {
        dc->FillSolidRect(item, selection);
        dc->Draw3dRect(item, highlight, highlight);
    }

    if (look.HasPicture()) {
        DrawFlatImage(*dc, look, item, column, highlight, selection);
    } else if (look.checked) {
        const int left = item.left + CentredStart(columnWidth, 16);
        const int top = item.top + CentredStart(static_cast<int>(item.bottom - item.top), 16);
        DrawCheckFlat(*dc, RECT{left, top, left + 16, top + 16}, highlight, CheckedBitmapOf(draw));
    }

    const KalItemText parts = SplitAtTabs(record.GetText());
    RECT rect{item.left + columnWidth + 8, item.top - 1, item.right, item.bottom - 1};
    if (parts.hasTab)
        rect.right -= m_imageWidth;
    COLORREF text = ::GetSysColor(COLOR_MENUTEXT);
    if (look.grayed) {
        text = ::GetSysColor(COLOR_GRAYTEXT);
        if (!themed && !look.selected)
            text = LightenColor(0.4, text);
    }
    const int mode = ::SetBkMode(dc->m_hDC, TRANSPARENT);
    DrawItemText(*dc, parts, rect, text);
    ::SetBkMode(dc->m_hDC, mode);
}

void KalMenu::DrawFlatImage(CDC& dc, const KalItemLook& look, const RECT& item, COLORREF column, COLORREF highlight,
                            COLORREF selection) const {
    const int columnWidth = m_imageWidth + 7;
    const int x = item.left + CentredStart(columnWidth, m_imageWidth);
    const int y = item.top + CentredStart(static_cast<int>(item.bottom - item.top), m_imageHeight);
    const RECT box{item.left + 1, item.top + 1, item.left + columnWidth - 1, item.bottom - 1};

    if (look.checkImage && m_checkImages) {
        dc.FillSolidRect(box, column);
        DrawListImage(dc, m_checkImages, look.selected ? 1 : 0, x, y);
    } else if (look.Disabled()) {
        DrawDisabledImage(dc, look, POINT{x, y}, look.selected ? selection : column);
        if (look.selected)
            dc.Draw3dRect(item, highlight, highlight);
    } else if (look.Hot()) {
        dc.FillSolidRect(box, selection);
        const ImageTriple triple = TripleOf(*look.record, look);
        if (look.checked) {
            dc.Draw3dRect(box, highlight, highlight);
            DrawListImage(dc, look.list, look.image, x - 1, y - 1);
        } else if (!triple.present) {
            DrawListImage(dc, look.list, look.image, x, y);
        } else {
            DrawListImage(dc, look.list, triple.shadow, x + 1, y + 1);
            DrawListImage(dc, look.list, look.image, x - 1, y - 1);
        }
    } else if (look.checked) {
        dc.FillSolidRect(box, LightenColor(0.85, highlight));
        dc.Draw3dRect(box, highlight, highlight);
        DrawListImage(dc, look.list, look.image, x - 1, y - 1);
    } else {
        dc.FillSolidRect(box, column);
        dc.Draw3dRect(box, column, column);
        const ImageTriple triple = TripleOf(*look.record, look);
        DrawListImage(dc, look.list, triple.present ? triple.normal : look.image, x, y);
    }
}
