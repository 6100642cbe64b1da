// KalMenu's items measured and drawn into memory DCs, checked on pixels in both looks. Expected
// positions come from the layout rules: image column N = W + 7, images centred in it rounding
// half up, text from N + 8, separators etched at half height.
#include <algorithm>
#include <string>

#include "doctest.h"
#include "framework/Wnd.h"
#include "menu_support/PixelCanvas.h"
#include "widgets/KalMenu.h"
#include "widgets/KalMenuMemDC.h"

namespace {

constexpr COLORREF kMarker = RGB(1, 2, 3);  // what no drawing paints
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr UINT kItemId = 500;
const RECT kItem{10, 10, 210, 30};  // 20 pixels high

COLORREF Sys(int index) { return ::GetSysColor(index); }

class TestMenu : public KalMenu {
public:
    TestMenu() { REQUIRE(CreatePopupMenu()); }
    KalMenuData* Add(const wchar_t* text, UINT id = kItemId) {
        REQUIRE(AppendItemData(text, 0, id));
        return m_itemData[m_itemData.GetUpperBound()];
    }
    void Draw(KalMenuData* record, UINT state, HDC dc, RECT rect = kItem, UINT id = kItemId) {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = id;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = state;
        draw.hwndItem = reinterpret_cast<HWND>(m_hMenu);
        draw.hDC = dc;
        draw.rcItem = rect;
        draw.itemData = reinterpret_cast<ULONG_PTR>(record);
        DrawItem(&draw);
    }
    MEASUREITEMSTRUCT Measure(KalMenuData* record) {
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemData = reinterpret_cast<ULONG_PTR>(record);
        MeasureItem(&measure);
        return measure;
    }
};

// The class-wide look settings for one test, put back afterwards.
class LookSettings {
public:
    LookSettings(int drawStyle, int windowsVersion, int highlightGrayed = 0)
        : style_(KalMenu::s_drawStyle), version_(KalMenu::s_windowsVersion), grayed_(KalMenu::s_highlightGrayed) {
        KalMenu::s_drawStyle = drawStyle;
        KalMenu::s_windowsVersion = windowsVersion;
        KalMenu::s_highlightGrayed = highlightGrayed;
    }
    ~LookSettings() {
        KalMenu::s_drawStyle = style_;
        KalMenu::s_windowsVersion = version_;
        KalMenu::s_highlightGrayed = grayed_;
    }

private:
    int style_;
    int version_;
    int grayed_;
};

// An image list of 16 x 15 images, each one solid colour.
CImageList* SolidImages(std::initializer_list<COLORREF> colours) {
    auto* list = new CImageList;
    REQUIRE(list->Create(16, 15, ILC_COLOR24 | ILC_MASK, 3, 1));
    PixelCanvas dummy(1, 1, 0);
    for (COLORREF colour : colours) {
        HDC screen = ::GetDC(nullptr);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 15);
        ::ReleaseDC(nullptr, screen);
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, bitmap);
        HBRUSH brush = ::CreateSolidBrush(colour);
        const RECT all{0, 0, 16, 15};
        ::FillRect(dc, &all, brush);
        ::DeleteObject(brush);
        ::SelectObject(dc, previous);
        ::DeleteDC(dc);
        REQUIRE(list->Add(bitmap, RGB(255, 0, 255)) >= 0);
        ::DeleteObject(bitmap);
    }
    return list;
}

// A 16 x 15 bitmap of the face colour with a 4 x 4 square of colour at (5, 5).
HBITMAP FaceWithSquare(HDC like, COLORREF square) {
    HBITMAP bitmap = ::CreateCompatibleBitmap(like, 16, 15);
    HDC dc = ::CreateCompatibleDC(like);
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    HBRUSH face = ::CreateSolidBrush(Sys(COLOR_BTNFACE));
    HBRUSH mark = ::CreateSolidBrush(square);
    const RECT all{0, 0, 16, 15};
    const RECT part{5, 5, 9, 9};
    ::FillRect(dc, &all, face);
    ::FillRect(dc, &part, mark);
    ::DeleteObject(face);
    ::DeleteObject(mark);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    return bitmap;
}

// The tick's seven three-pixel columns, checked cell by cell in the 7 x 7 square at (x, y).
void CheckTick(const PixelCanvas& canvas, int x, int y, COLORREF mark, COLORREF background) {
    const int tops[] = {2, 3, 4, 3, 2, 1, 0};
    for (int column = 0; column < 7; ++column)
        for (int row = 0; row < 7; ++row) {
            CAPTURE(column);
            CAPTURE(row);
            const bool inStroke = row >= tops[column] && row < tops[column] + 3;
            CHECK(canvas.At(x + column, y + row) == (inStroke ? mark : background));
        }
}

// The bullet, a disc filling the 6 x 6 square at (x, y): within the area nothing else is drawn, and
// the mark reaches each side of the square.
void CheckBullet(const PixelCanvas& canvas, const RECT& area, int x, int y, COLORREF mark, COLORREF background) {
    RECT marked{area.right, area.bottom, area.left, area.top};
    int strays = 0;
    for (int row = area.top; row < area.bottom; ++row)
        for (int column = area.left; column < area.right; ++column) {
            const COLORREF pixel = canvas.At(column, row);
            if (pixel == mark) {
                marked.left = std::min<LONG>(marked.left, column);
                marked.top = std::min<LONG>(marked.top, row);
                marked.right = std::max<LONG>(marked.right, column + 1);
                marked.bottom = std::max<LONG>(marked.bottom, row + 1);
            } else if (pixel != background) {
                ++strays;
            }
        }
    CHECK(strays == 0);
    CHECK(marked.left == x);
    CHECK(marked.top == y);
    CHECK(marked.right == x + 6);
    CHECK(marked.bottom == y + 6);
    for (int row = y + 2; row < y + 4; ++row)
        for (int column = x + 2; column < x + 4; ++column)
            CHECK(canvas.At(column, row) == mark);
}

}  // namespace

TEST_CASE("LightenColor moves each byte towards white by the share, truncating") {
    CHECK(KalMenu::LightenColor(0.85, RGB(0, 120, 255)) == RGB(216, 234, 255));
    CHECK(KalMenu::LightenColor(0.5, RGB(1, 2, 3)) == RGB(128, 128, 129));
    CHECK(KalMenu::LightenColor(1.0, RGB(10, 20, 30)) == RGB(255, 255, 255));
    CHECK(KalMenu::LightenColor(0.0, RGB(10, 20, 30)) == RGB(10, 20, 30));
    CHECK(KalMenu::LightenColor(-0.5, RGB(10, 20, 30)) == RGB(10, 20, 30));
    CHECK(KalMenu::LightenColor(1.01, RGB(10, 20, 30)) == RGB(10, 20, 30));
}

TEST_CASE("items are measured by look, never shorter than the system's menu heights") {
    TestMenu menu;
    KalMenuData* separator = menu.Add(L"", 0);
    KalMenuData* item = menu.Add(L"&Open\tCtrl+O");
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);

    CFont font;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    REQUIRE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    font.CreateFontIndirect(&metrics.lfMenuFont);
    CClientDC screen(::GetDesktopWindow());
    SelectedObject selected(screen, font);
    const LONG textWidth = screen.GetTextExtent(L"&Open\tCtrl+O").cx;

    SUBCASE("the flat look") {
        LookSettings look(1, 6);
        CHECK(menu.Measure(separator).itemHeight == static_cast<UINT>(std::max(menuHeight / 2, (15 + 7) / 2)));
        CHECK(menu.Measure(item).itemHeight == static_cast<UINT>(std::max(menuHeight, 15 + 7)));
        CHECK(menu.Measure(item).itemWidth == static_cast<UINT>(textWidth + 16 + 7 + 8));
        menu.m_imageHeight = 40;
        CHECK(menu.Measure(separator).itemHeight == 23);
        CHECK(menu.Measure(item).itemHeight == 47);
    }
    SUBCASE("the classic look") {
        LookSettings look(0, 6);
        CHECK(menu.Measure(separator).itemHeight == static_cast<UINT>(std::max(menuHeight / 2, (15 + 4) / 2)));
        CHECK(menu.Measure(item).itemWidth == static_cast<UINT>(textWidth + 2 * 16 + 1));
        menu.m_imageHeight = 40;
        CHECK(menu.Measure(item).itemHeight == 44);
    }
    SUBCASE("the earliest Windows measures no text") {
        LookSettings look(0, 0);
        CHECK(menu.Measure(item).itemWidth == 2 * 16 + 1);
    }
}

TEST_CASE("separators are etched at half their height") {
    TestMenu menu;
    KalMenuData* separator = menu.Add(L"", 0);
    PixelCanvas canvas(240, 60, kMarker);
    const COLORREF shadow = Sys(COLOR_BTNSHADOW);
    const COLORREF light = Sys(COLOR_BTNHIGHLIGHT);

    SUBCASE("flat: the line starts 7 pixels right of the image column, the column stays") {
        LookSettings look(1, 1);
        const COLORREF column = KalMenu::LightenColor(0.25, Sys(COLOR_BTNFACE));
        menu.Draw(separator, 0, canvas.Dc());
        CHECK(canvas.At(40, 20) == shadow);
        CHECK(canvas.At(40, 21) == light);
        CHECK(canvas.At(200, 20) == shadow);
        CHECK(canvas.At(39, 20) == Sys(COLOR_WINDOW));
        CHECK(canvas.At(40, 19) == Sys(COLOR_WINDOW));
        CHECK(canvas.At(10, 20) == column);
        CHECK(canvas.At(32, 29) == column);
        CHECK(canvas.At(33, 20) == Sys(COLOR_WINDOW));
    }
    SUBCASE("classic: the line runs the whole width on the menu colour") {
        LookSettings look(0, 1);
        menu.Draw(separator, 0, canvas.Dc());
        CHECK(canvas.At(10, 20) == shadow);
        CHECK(canvas.At(10, 21) == light);
        CHECK(canvas.At(10, 19) == Sys(COLOR_MENU));
        CHECK(canvas.At(209, 29) == Sys(COLOR_MENU));
        CHECK(canvas.At(9, 20) == kMarker);
    }
}

TEST_CASE("the flat look: image column, selection and images") {
    LookSettings look(1, 1);
    TestMenu menu;
    KalMenuData* item = menu.Add(L"Item");
    item->imageList = SolidImages({kRed, kGreen, kBlue});
    item->imageIndex = 0;
    item->ownImage = 0;
    PixelCanvas canvas(240, 60, kMarker);
    const COLORREF column = KalMenu::LightenColor(0.25, Sys(COLOR_BTNFACE));
    const COLORREF window = Sys(COLOR_WINDOW);
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);
    const COLORREF selection = KalMenu::LightenColor(0.85, highlight);

    SUBCASE("images sit 4 pixels in, centred in the item's height; the column is the lightened face") {
        item->imageIndex = 1;  // no triple from index 1
        menu.Draw(item, 0, canvas.Dc());
        CHECK(canvas.At(14, 13) == kGreen);
        CHECK(canvas.At(29, 27) == kGreen);
        CHECK(canvas.At(13, 13) == column);
        CHECK(canvas.At(30, 13) == column);
        CHECK(canvas.At(14, 12) == column);
        CHECK(canvas.At(14, 28) == column);
        CHECK(canvas.At(10, 10) == column);
        CHECK(canvas.At(33, 20) == window);
        CHECK(canvas.At(209, 10) == window);
    }
    SUBCASE("an image list of three draws the normal image at rest") {
        menu.Draw(item, 0, canvas.Dc());
        CHECK(canvas.At(14, 13) == kGreen);
    }
    SUBCASE("selected: the lightened highlight framed in the highlight, the image rising over its shadow") {
        menu.Draw(item, ODS_SELECTED, canvas.Dc());
        CHECK(canvas.At(10, 10) == highlight);
        CHECK(canvas.At(209, 29) == highlight);
        CHECK(canvas.At(11, 11) == selection);
        CHECK(canvas.At(150, 20) == selection);
        CHECK(canvas.At(13, 12) == kRed);
        CHECK(canvas.At(28, 26) == kRed);
        CHECK(canvas.At(30, 28) == kBlue);
        CHECK(canvas.At(29, 27) == kBlue);
    }
    SUBCASE("the themed XP selection is lightened less") {
        LookSettings themed(0, 7);
        REQUIRE(KalMenu::IsThemedXP());
        menu.Draw(item, ODS_SELECTED, canvas.Dc());
        CHECK(canvas.At(150, 20) == KalMenu::LightenColor(0.7, highlight));
        CHECK(canvas.At(10, 10) == highlight);
    }
    SUBCASE("checked and selected: framed, the image one pixel up and left, no shadow") {
        menu.Draw(item, ODS_SELECTED | ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(11, 11) == highlight);
        CHECK(canvas.At(13, 12) == kRed);
        CHECK(canvas.At(29, 27) == selection);
    }
    SUBCASE("a grayed item is never highlighted, even reported selected") {
        item->ownImage = -1;
        menu.Draw(item, ODS_GRAYED | ODS_SELECTED, canvas.Dc());
        CHECK(canvas.At(150, 20) == window);
        CHECK(canvas.At(10, 10) == column);
        CHECK(canvas.At(209, 29) == window);
    }
    SUBCASE("unless grayed items may be highlighted") {
        LookSettings grayedLit(1, 1, 1);
        item->ownImage = -1;
        menu.Draw(item, ODS_GRAYED | ODS_SELECTED, canvas.Dc());
        CHECK(canvas.At(150, 20) == selection);
        CHECK(canvas.At(10, 10) == highlight);
    }
    SUBCASE("a grayed image is drawn dithered: shadow figure over its highlight copy") {
        menu.Draw(item, ODS_GRAYED, canvas.Dc());
        CHECK(canvas.At(14, 13) == Sys(COLOR_BTNSHADOW));
        CHECK(canvas.At(29, 27) == Sys(COLOR_BTNSHADOW));
        CHECK(canvas.At(30, 28) == Sys(COLOR_BTNHIGHLIGHT));
    }
}

TEST_CASE("check marks: the tick's seven strokes and the bullet") {
    TestMenu menu;
    KalMenuData* item = menu.Add(L"Checked");
    PixelCanvas canvas(240, 60, kMarker);
    const COLORREF mark = Sys(COLOR_MENUTEXT);
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);

    SUBCASE("flat: a 16-pixel box centred in the column, the tick 5 and 4 pixels in") {
        LookSettings look(1, 1);
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(14, 12) == highlight);
        CHECK(canvas.At(29, 27) == highlight);
        CheckTick(canvas, 19, 16, mark, KalMenu::LightenColor(0.85, highlight));
    }
    SUBCASE("flat: an item with a check bitmap gets the bullet") {
        LookSettings look(1, 1);
        HBITMAP checkBitmap = ::CreateBitmap(8, 8, 1, 1, nullptr);
        REQUIRE(::SetMenuItemBitmaps(menu.m_hMenu, kItemId, MF_BYCOMMAND, nullptr, checkBitmap));
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CheckBullet(canvas, RECT{15, 13, 29, 27}, 19, 16, mark, KalMenu::LightenColor(0.85, highlight));
        ::DeleteObject(checkBitmap);
    }
    SUBCASE("classic with 3D frames: a sunken box, the tick 4 and 4 pixels in") {
        LookSettings look(0, 6);
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(11, 12) == Sys(COLOR_BTNSHADOW));
        CheckTick(canvas, 15, 16, mark, KalMenu::LightenColor(0.6, Sys(COLOR_MENU)));
    }
    SUBCASE("classic: an item with a check bitmap gets the bullet, 5 and 4 pixels into the sunken box") {
        LookSettings look(0, 6);
        HBITMAP checkBitmap = ::CreateBitmap(8, 8, 1, 1, nullptr);
        REQUIRE(::SetMenuItemBitmaps(menu.m_hMenu, kItemId, MF_BYCOMMAND, nullptr, checkBitmap));
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(11, 12) == Sys(COLOR_BTNSHADOW));
        CheckBullet(canvas, RECT{12, 13, 26, 26}, 16, 16, mark, KalMenu::LightenColor(0.6, Sys(COLOR_MENU)));
        ::DeleteObject(checkBitmap);
    }
    SUBCASE("classic where the version has no 3D frames: the box is flat") {
        LookSettings look(0, 1);
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(11, 12) == KalMenu::LightenColor(0.6, Sys(COLOR_MENU)));
        CheckTick(canvas, 15, 16, mark, KalMenu::LightenColor(0.6, Sys(COLOR_MENU)));
    }
    SUBCASE("flat: a checked item told to use image check marks that do not exist gets a framed box") {
        LookSettings look(1, 1);
        menu.m_checkMark = 1;
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(11, 11) == highlight);
        CHECK(canvas.At(31, 28) == highlight);
        for (int y = 12; y < 28; ++y)
            for (int x = 12; x < 31; ++x)
                CHECK(canvas.At(x, y) == KalMenu::LightenColor(0.85, highlight));
        item->imageList = SolidImages({kRed});
        item->imageIndex = 0;
        menu.Draw(item, ODS_CHECKED, canvas.Dc());
        CHECK(canvas.At(13, 12) == kRed);
        CHECK(canvas.At(12, 12) == KalMenu::LightenColor(0.85, highlight));
    }
}

TEST_CASE("the text: the label before the first tab, the accelerator after the last") {
    LookSettings look(1, 1);
    TestMenu menu;
    PixelCanvas twoTabs(240, 40, kMarker);
    PixelCanvas oneTab(240, 40, kMarker);
    PixelCanvas middleOnly(240, 40, kMarker);
    menu.Draw(menu.Add(L"Open\tmiddle\tCtrl+O"), 0, twoTabs.Dc());
    menu.Draw(menu.Add(L"Open\tCtrl+O"), 0, oneTab.Dc());
    menu.Draw(menu.Add(L"Open\tmiddle"), 0, middleOnly.Dc());
    CHECK(twoTabs.SameAs(oneTab));
    CHECK_FALSE(twoTabs.SameAs(middleOnly));

    // Text lies between the column's right + 8 and the item's right edge less W.
    const COLORREF window = Sys(COLOR_WINDOW);
    int leftmost = 210;
    int rightmost = -1;
    for (int y = 11; y < 29; ++y)
        for (int x = 33; x < 209; ++x)
            if (oneTab.At(x, y) != window) {
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
    CHECK(leftmost >= 41);
    CHECK(leftmost < 60);
    CHECK(rightmost < 210 - 16);
    CHECK(rightmost > 150);
}

TEST_CASE("disabled images, embossed and dithered") {
    PixelCanvas canvas(60, 40, kBlue);
    const COLORREF face = Sys(COLOR_BTNFACE);
    const COLORREF light = Sys(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = Sys(COLOR_BTNSHADOW);
    const COLORREF background = RGB(200, 180, 160);
    CDC target(canvas.Dc());
    REQUIRE(face != RGB(255, 255, 255));

    SUBCASE("dithered: a block of the background, the figure in shadow over its highlight copy") {
        HBITMAP image = FaceWithSquare(canvas.Dc(), RGB(0, 0, 0));
        KalMenu::DrawDitheredImage(target, 10, 10, 16, 15, image, background);
        CHECK(canvas.At(15, 15) == shadow);
        CHECK(canvas.At(18, 18) == shadow);
        CHECK(canvas.At(19, 19) == light);
        CHECK(canvas.At(19, 16) == light);
        CHECK(canvas.At(14, 15) == background);
        CHECK(canvas.At(10, 10) == background);
        // The first copy, one pixel right and down, shows along the right and bottom edges.
        CHECK(canvas.At(26, 11) == background);
        CHECK(canvas.At(26, 25) == background);
        CHECK(canvas.At(11, 25) == background);
        CHECK(canvas.At(26, 10) == kBlue);
        CHECK(canvas.At(10, 25) == kBlue);
        CHECK(canvas.At(27, 20) == kBlue);
        ::DeleteObject(image);
    }
    SUBCASE("dithered: an image of only face and highlight is a plain block") {
        HBITMAP image = FaceWithSquare(canvas.Dc(), light);
        KalMenu::DrawDitheredImage(target, 10, 10, 16, 15, image, background);
        for (int y = 10; y < 25; ++y)
            for (int x = 10; x < 26; ++x)
                CHECK(canvas.At(x, y) == background);
        ::DeleteObject(image);
    }
    // Which light pixels count as figure is GDI's colour-to-monochrome rule for DIB sections; a
    // dark figure on the face is embossed either way.
    SUBCASE("embossed: the figure in shadow over its highlight copy one pixel right and down") {
        HBITMAP image = FaceWithSquare(canvas.Dc(), RGB(0, 0, 0));
        KalMenu::DrawEmbossedImage(target, 10, 10, 16, 15, image, background);
        CHECK(canvas.At(15, 15) == shadow);
        CHECK(canvas.At(18, 18) == shadow);
        CHECK(canvas.At(19, 19) == light);
        CHECK(canvas.At(19, 16) == light);
        CHECK(canvas.At(16, 19) == light);
        CHECK(canvas.At(26, 10) == kBlue);
        CHECK(canvas.At(9, 12) == kBlue);
        ::DeleteObject(image);
    }
    SUBCASE("embossed: the DC's own colours do not leak into the mask, and are put back") {
        ::SetTextColor(canvas.Dc(), RGB(10, 200, 30));
        ::SetBkColor(canvas.Dc(), RGB(90, 90, 90));
        HBITMAP image = FaceWithSquare(canvas.Dc(), RGB(0, 0, 0));
        KalMenu::DrawEmbossedImage(target, 10, 10, 16, 15, image, background);
        CHECK(canvas.At(15, 15) == shadow);
        CHECK(canvas.At(19, 19) == light);
        CHECK(::GetTextColor(canvas.Dc()) == RGB(10, 200, 30));
        CHECK(::GetBkColor(canvas.Dc()) == RGB(90, 90, 90));
        ::DeleteObject(image);
    }
}

TEST_CASE("KalMenuMemDC copies its area to the screen at the end, and nothing on a printer") {
    PixelCanvas canvas(80, 50, kBlue);
    CDC target(canvas.Dc());
    const RECT area{10, 10, 50, 30};

    SUBCASE("on the screen the drawing arrives in one copy, at the same coordinates") {
        {
            KalMenuMemDC memory(&target, area);
            memory.FillSolidRect(area, kGreen);
            CHECK(canvas.At(20, 20) == kBlue);
        }
        CHECK(canvas.At(10, 10) == kGreen);
        CHECK(canvas.At(49, 29) == kGreen);
        CHECK(canvas.At(50, 30) == kBlue);
        CHECK(canvas.At(9, 9) == kBlue);
    }
    SUBCASE("on a printer the drawing goes straight to the target and nothing is copied at the end") {
        target.m_bPrinting = TRUE;
        {
            KalMenuMemDC memory(&target, area);
            CHECK(memory.m_hDC == canvas.Dc());
            memory.FillSolidRect(area, kGreen);
            CHECK(canvas.At(20, 20) == kGreen);
            target.FillSolidRect(area, kRed);
        }
        CHECK(canvas.At(20, 20) == kRed);
        CHECK(::GetObjectType(canvas.Dc()) == OBJ_MEMDC);  // the borrowed DC lives on
    }
}

TEST_CASE("owner-draw messages reach the permanent menu that holds the item") {
    struct CountingMenu : CMenu {
        int drawn = 0;
        int measured = 0;
        void DrawItem(LPDRAWITEMSTRUCT) override { ++drawn; }
        void MeasureItem(LPMEASUREITEMSTRUCT measure) override {
            ++measured;
            measure->itemHeight = 33;
        }
    };
    CountingMenu outer;
    CountingMenu inner;
    REQUIRE(outer.CreatePopupMenu());
    REQUIRE(inner.CreatePopupMenu());
    int data = 0;
    REQUIRE(outer.AppendMenuW(MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(inner.m_hMenu), L"inner"));
    REQUIRE(inner.AppendMenuW(MF_OWNERDRAW, 7, &data));

    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(hwnd);
    CWnd window;
    REQUIRE(window.SubclassWindow(hwnd));

    MEASUREITEMSTRUCT measure{ODT_MENU, 0, 7, 0, 0, reinterpret_cast<ULONG_PTR>(&data)};
    CHECK(::SendMessageW(hwnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)) == TRUE);
    CHECK(inner.measured == 1);
    CHECK(outer.measured == 0);
    CHECK(measure.itemHeight == 33);

    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = 7;
    draw.hwndItem = reinterpret_cast<HWND>(inner.m_hMenu);
    draw.itemData = reinterpret_cast<ULONG_PTR>(&data);
    CHECK(::SendMessageW(hwnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)) == TRUE);
    CHECK(inner.drawn == 1);

    HMENU stranger = ::CreatePopupMenu();
    draw.hwndItem = reinterpret_cast<HWND>(stranger);
    ::SendMessageW(hwnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    CHECK(inner.drawn == 1);
    ::DestroyMenu(stranger);
    ::DestroyWindow(hwnd);
}
