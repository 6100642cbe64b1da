// Check marks drawn by hand: a tick, or a bullet for items Windows gives a check bitmap.
#include "KalMenu.h"

void KalMenu::DrawCheckClassic(CDC& dc, const RECT& rect, bool selected, HBITMAP checked) {
    COLORREF fill = ::GetSysColor(IsThemedXP() ? COLOR_BTNFACE : COLOR_MENU);
    if (!selected)
        fill = LightenColor(0.6, fill);
    dc.FillSolidRect(rect, fill);
    if (s_windowsVersion > 1)
        dc.DrawEdge(rect, BDR_SUNKENOUTER, BF_RECT);
    const COLORREF mark = ::GetSysColor(COLOR_MENUTEXT);
    if (checked)
        DrawBullet(dc, mark, rect.left + 5, rect.top + 4);
    else
        DrawTick(dc, mark, rect.left + 4, rect.top + 4);
}

void KalMenu::DrawCheckFlat(CDC& dc, const RECT& rect, COLORREF highlight, HBITMAP checked) {
    dc.FillSolidRect(rect, LightenColor(0.85, highlight));
    dc.Draw3dRect(rect, highlight, highlight);
    const COLORREF mark = ::GetSysColor(COLOR_MENUTEXT);
    if (checked)
        DrawBullet(dc, mark, rect.left + 5, rect.top + 4);
    else
        DrawTick(dc, mark, rect.left + 5, rect.top + 4);
}

void KalMenu::DrawTick(CDC& dc, COLORREF colour, int x, int y) {
    // Where each of the seven three-pixel columns starts, left to right.
    static const int kColumnTops[] = {2, 3, 4, 3, 2, 1, 0};
    CPen pen(PS_SOLID, 1, colour);
    SelectedObject selected(dc, pen);
    for (int column = 0; column < 7; ++column) {
        dc.MoveTo(x + column, y + kColumnTops[column]);
        dc.LineTo(x + column, y + kColumnTops[column] + 3);
    }
}

void KalMenu::DrawBullet(CDC& dc, COLORREF colour, int x, int y) {
    CBrush brush(colour);
    CPen pen(PS_SOLID, 1, colour);
    SelectedObject brushSelected(dc, brush);
    SelectedObject penSelected(dc, pen);
    dc.Ellipse(x, y, x + 6, y + 6);
}
