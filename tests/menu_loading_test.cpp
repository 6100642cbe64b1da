// Building KalMenu from menu templates, keeping its records in step with its handle, and
// destroying it with everything it made.
#include <string>
#include <vector>

#include "doctest.h"
#include "menu_support/LiveAllocations.h"
#include "menu_test_ids.h"
#include "widgets/KalMenu.h"

namespace {

// Opens the protected building blocks to the tests.
class TestMenu : public KalMenu {
public:
    using KalMenu::AlignAccelerators;
    using KalMenu::AppendItemData;
};

KalMenu* SubMenuObject(HMENU parent, int position) {
    CMenu* object = CMenu::FromHandlePermanent(::GetSubMenu(parent, position));
    REQUIRE(object);
    REQUIRE(object->IsKindOf(RuntimeClassOf<KalMenu>()));
    return static_cast<KalMenu*>(object);
}

ULONG_PTR ItemData(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    REQUIRE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    return info.dwItemData;
}

// By the item's type: GetMenuState packs a popup's item count into the bits of MF_OWNERDRAW.
bool IsOwnerDrawn(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    REQUIRE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    return (info.fType & MFT_OWNERDRAW) != 0;
}

std::wstring PlainText(HMENU menu, int position) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return text;
}

// Every menu handle below menu, itself excluded.
void CollectSubMenus(HMENU menu, std::vector<HMENU>& found) {
    for (int position = 0; position < ::GetMenuItemCount(menu); ++position)
        if (HMENU sub = ::GetSubMenu(menu, position)) {
            found.push_back(sub);
            CollectSubMenus(sub, found);
        }
}

LONG MenuFontWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

TEST_CASE("a nested template builds owner-drawn popups under a plain top level") {
    KalMenu menu;
    REQUIRE(menu.LoadMenuResource(IDM_NESTED));
    const HMENU root = menu.m_hMenu;

    SUBCASE("the top level keeps plain strings, its popups plain popups") {
        REQUIRE(::GetMenuItemCount(root) == 3);
        REQUIRE(menu.m_itemData.GetSize() == 3);
        CHECK(menu.m_topLevelPlain);
        for (int position = 0; position < 3; ++position)
            CHECK_FALSE(IsOwnerDrawn(root, position));
        CHECK(PlainText(root, 0) == L"&File");
        CHECK(PlainText(root, 2) == L"&Help");
        CHECK(::GetSubMenu(root, 0) != nullptr);
        CHECK(::GetSubMenu(root, 2) == nullptr);
        CHECK(menu.m_itemData[0]->flags == (MF_BYPOSITION | MF_POPUP));
        CHECK(menu.m_itemData[2]->flags == MF_BYPOSITION);
        CHECK(::GetMenuItemID(root, 2) == ID_HELP_TOPICS);
    }

    SUBCASE("submenu items are owner-drawn with their records as item data") {
        KalMenu* file = SubMenuObject(root, 0);
        REQUIRE(::GetMenuItemCount(file->m_hMenu) == 6);
        REQUIRE(file->m_itemData.GetSize() == 6);
        for (int position = 0; position < 6; ++position) {
            CHECK(IsOwnerDrawn(file->m_hMenu, position));
            CHECK(ItemData(file->m_hMenu, position) == reinterpret_cast<ULONG_PTR>(file->m_itemData[position]));
        }
        CHECK(file->m_isSubMenu);
        CHECK(file->m_itemData[3]->commandId == reinterpret_cast<UINT_PTR>(::GetSubMenu(file->m_hMenu, 3)));
        KalMenu* recent = SubMenuObject(file->m_hMenu, 3);
        CHECK(recent->m_itemData.GetSize() == 2);
        CHECK(KalMenu::s_popupHandles.Find(recent->m_hMenu) >= 0);
        CHECK(file->m_subMenus.Find(recent->m_hMenu) >= 0);
    }

    SUBCASE("an item with id 0 becomes an owner-drawn separator whatever its flags") {
        KalMenu* file = SubMenuObject(root, 0);
        CHECK(file->m_itemData[2]->flags == (MF_SEPARATOR | MF_OWNERDRAW));
        CHECK(file->m_itemData[4]->flags == (MF_SEPARATOR | MF_OWNERDRAW));  // "Gray zero", GRAYED dropped
        CHECK(IsOwnerDrawn(file->m_hMenu, 4));
    }

    SUBCASE("accelerators line up: each label is padded with blanks to the widest label plus one blank") {
        KalMenu* file = SubMenuObject(root, 0);
        CFont font;
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        REQUIRE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
        font.CreateFontIndirect(&metrics.lfMenuFont);
        CClientDC dc(::GetDesktopWindow());
        SelectedObject selected(dc, font);

        const std::vector<std::wstring> labels = {L"&Open", L"Save &As...", L"", L"&Recent", L"Gray zero", L"E&xit"};
        LONG widest = 0;
        for (const std::wstring& label : labels)
            widest = std::max(widest, MenuFontWidth(dc.m_hDC, label + L' '));

        for (int index : {0, 5}) {
            const std::wstring text = file->m_itemData[index]->GetText();
            const size_t tab = text.find(L'\t');
            REQUIRE(tab != std::wstring::npos);
            const std::wstring padded = text.substr(0, tab);
            CHECK(padded.substr(0, labels[index].size()) == labels[index]);
            CHECK(padded.find_first_not_of(L' ', labels[index].size()) == std::wstring::npos);
            CHECK(MenuFontWidth(dc.m_hDC, padded) >= widest);
            CHECK(MenuFontWidth(dc.m_hDC, padded.substr(0, padded.size() - 1)) < widest);
        }
        const std::wstring open = file->m_itemData[0]->GetText();
        CHECK(open.substr(open.find(L'\t')) == L"\tCtrl+O");
        CHECK(std::wstring(file->m_itemData[1]->GetText()) == L"Save &As...");  // no tab: left alone
    }
}

TEST_CASE("the root closes with its last item, popup or not, and nothing after it is read") {
    SUBCASE("a popup as the last top-level item") {
        KalMenu menu;
        REQUIRE(menu.LoadMenuResource(IDM_POPUP_LAST));
        CHECK(::GetMenuItemCount(menu.m_hMenu) == 2);
        CHECK(::GetSubMenu(menu.m_hMenu, 1) != nullptr);
        CHECK_FALSE(IsOwnerDrawn(menu.m_hMenu, 1));
        CHECK(PlainText(menu.m_hMenu, 1) == L"&Drinks");
    }
    SUBCASE("a plain item marked as the end, followed by bytes that are not a menu") {
        KalMenu menu;
        REQUIRE(menu.LoadMenuResource(IDM_CLOSED_EARLY));
        CHECK(::GetMenuItemCount(menu.m_hMenu) == 1);
        CHECK(PlainText(menu.m_hMenu, 0) == L"&Help");
    }
}

TEST_CASE("missing, truncated and malformed templates fail with FALSE and leave nothing behind") {
    const int popupsBefore = KalMenu::s_popupHandles.GetSize();
    for (UINT id : {IDM_MISSING, IDM_NO_ITEMS, IDM_UNTERMINATED_TEXT, IDM_UNCLOSED_POPUP, IDM_EXTENDED_HEADER,
                    IDM_HEADER_PAST_END}) {
        CAPTURE(id);
        const std::ptrdiff_t before = LiveAllocations();
        BOOL loaded = TRUE;
        HMENU handle = nullptr;
        int records = -1;
        {
            KalMenu menu;
            loaded = menu.LoadMenuResource(id);
            handle = menu.m_hMenu;
            records = menu.m_itemData.GetSize();
        }
        const std::ptrdiff_t after = LiveAllocations();
        CHECK_FALSE(loaded);
        CHECK(handle == nullptr);
        CHECK(records == 0);
        CHECK(after == before);
        CHECK(KalMenu::s_popupHandles.GetSize() == popupsBefore);
    }
}

TEST_CASE("an index outside the menu's arrays raises the invalid-argument error") {
    KalMenu menu;
    CHECK_THROWS_AS(menu.m_itemData.GetAt(0), CInvalidArgException);
    CHECK_THROWS_AS(menu.m_subMenus.RemoveAt(-1), CInvalidArgException);
}

TEST_CASE("MatchMenuChar finds the first item whose mnemonic is the key") {
    KalMenu menu;
    REQUIRE(menu.LoadMenuResource(IDM_NESTED));
    KalMenu* file = SubMenuObject(menu.m_hMenu, 0);
    KalMenu* drinks = SubMenuObject(menu.m_hMenu, 1);

    SUBCASE("upper-case keys, doubled ampersands, first match only") {
        CHECK(KalMenu::MatchMenuChar('O', MF_POPUP, file) == MAKELRESULT(0, MNC_EXECUTE));
        CHECK(KalMenu::MatchMenuChar('x', MF_POPUP, file) == MAKELRESULT(5, MNC_EXECUTE));
        CHECK(KalMenu::MatchMenuChar('a', MF_POPUP, file) == MAKELRESULT(1, MNC_EXECUTE));
        // "&&Tonic" comes before "&Tea": the doubled ampersand matches and wins.
        CHECK(KalMenu::MatchMenuChar('T', MF_POPUP, drinks) == MAKELRESULT(1, MNC_EXECUTE));
        CHECK(KalMenu::MatchMenuChar('q', MF_POPUP, drinks) == 0);
    }
    SUBCASE("only popups of this class are answered") {
        CHECK(KalMenu::MatchMenuChar('O', MF_SYSMENU, file) == 0);
        CHECK(KalMenu::MatchMenuChar('O', 0, file) == 0);
        CMenu plain;
        REQUIRE(plain.CreatePopupMenu());
        REQUIRE(plain.AppendMenuW(MF_STRING, 1, L"&Open"));
        CHECK(KalMenu::MatchMenuChar('O', MF_POPUP, &plain) == 0);
        CHECK(KalMenu::MatchMenuChar('O', MF_POPUP, nullptr) == 0);
    }
    SUBCASE("an item inserted behind the menu's back gets a record and is drawn by the menu") {
        REQUIRE(::InsertMenuW(drinks->m_hMenu, 0, MF_BYPOSITION | MF_STRING | MF_CHECKED, 130, L"&Juice"));
        CHECK(KalMenu::MatchMenuChar('j', MF_POPUP, drinks) == MAKELRESULT(0, MNC_EXECUTE));
        REQUIRE(drinks->m_itemData.GetSize() == 4);
        KalMenuData* juice = drinks->m_itemData[0];
        CHECK(std::wstring(juice->GetText()) == L"&Juice");
        CHECK(juice->commandId == 130);
        CHECK(IsOwnerDrawn(drinks->m_hMenu, 0));
        CHECK((::GetMenuState(drinks->m_hMenu, 0, MF_BYPOSITION) & MF_CHECKED) != 0);
        CHECK(ItemData(drinks->m_hMenu, 0) == reinterpret_cast<ULONG_PTR>(juice));
        // The old records keep their places, one further down.
        CHECK(KalMenu::MatchMenuChar('t', MF_POPUP, drinks) == MAKELRESULT(2, MNC_EXECUTE));
        for (int position = 1; position < 4; ++position)
            CHECK(ItemData(drinks->m_hMenu, position) == reinterpret_cast<ULONG_PTR>(drinks->m_itemData[position]));
    }
    SUBCASE("an item removed behind the menu's back loses its record") {
        const std::ptrdiff_t before = LiveAllocations();
        REQUIRE(::DeleteMenu(drinks->m_hMenu, ID_TONIC, MF_BYCOMMAND));
        CHECK(KalMenu::MatchMenuChar('t', MF_POPUP, drinks) == MAKELRESULT(1, MNC_EXECUTE));
        CHECK(drinks->m_itemData.GetSize() == 2);
        CHECK(drinks->m_itemData[0]->commandId == ID_WATER);
        CHECK(drinks->m_itemData[1]->commandId == ID_TEA);
        CHECK(LiveAllocations() == before - 2);  // the record and its text
    }
    SUBCASE("separators and submenus added behind the menu's back are matched by kind") {
        REQUIRE(::AppendMenuW(file->m_hMenu, MF_SEPARATOR, 0, nullptr));
        HMENU extra = ::CreatePopupMenu();
        REQUIRE(::AppendMenuW(file->m_hMenu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(extra), L"&More"));
        CHECK(KalMenu::MatchMenuChar('m', MF_POPUP, file) == MAKELRESULT(7, MNC_EXECUTE));
        REQUIRE(file->m_itemData.GetSize() == 8);
        const UINT made = MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW;
        CHECK((file->m_itemData[6]->flags & made) == made);
        CHECK(file->m_itemData[7]->commandId == reinterpret_cast<UINT_PTR>(extra));
        CHECK(file->m_itemData[7]->flags == (MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP));
        for (int position = 0; position < 8; ++position) {
            CHECK(IsOwnerDrawn(file->m_hMenu, position));
            CHECK(ItemData(file->m_hMenu, position) == reinterpret_cast<ULONG_PTR>(file->m_itemData[position]));
        }
        CHECK(::GetSubMenu(file->m_hMenu, 7) == extra);
    }
}

TEST_CASE("DestroyMenuAndData takes the menu, its submenus and their objects away") {
    SUBCASE("no handle of the menu stays listed and every submenu object is deleted") {
        const int popupsBefore = KalMenu::s_popupHandles.GetSize();
        KalMenu menu;
        REQUIRE(menu.LoadMenuResource(IDM_NESTED));
        std::vector<HMENU> subMenus;
        CollectSubMenus(menu.m_hMenu, subMenus);
        REQUIRE(subMenus.size() == 3);
        CHECK(KalMenu::s_popupHandles.GetSize() == popupsBefore + 3);

        CHECK(menu.DestroyMenuAndData());
        CHECK(menu.m_hMenu == nullptr);
        CHECK(menu.m_itemData.GetSize() == 0);
        CHECK(menu.m_subMenus.GetSize() == 0);
        CHECK(KalMenu::s_popupHandles.GetSize() == popupsBefore);
        for (HMENU sub : subMenus) {
            CHECK(KalMenu::s_popupHandles.Find(sub) < 0);
            CHECK(CMenu::FromHandlePermanent(sub) == nullptr);
            CHECK_FALSE(::IsMenu(sub));
        }
        CHECK_FALSE(menu.DestroyMenuAndData());  // nothing left: the second call finds no handle
    }
    SUBCASE("a plain submenu appended by hand is unlisted, and its object is not the menu's to delete") {
        TestMenu menu;
        REQUIRE(menu.CreatePopupMenu());
        CMenu plain;
        REQUIRE(plain.CreatePopupMenu());
        REQUIRE(menu.AppendItemData(L"&Plain", MF_POPUP, reinterpret_cast<UINT_PTR>(plain.m_hMenu)));
        CHECK(KalMenu::s_popupHandles.Find(plain.m_hMenu) >= 0);
        menu.DestroyMenuAndData();
        CHECK(KalMenu::s_popupHandles.Find(plain.m_hMenu) < 0);
        CHECK(CMenu::FromHandlePermanent(plain.m_hMenu) == &plain);
    }
    SUBCASE("1,000 load and destroy cycles leak neither memory nor menus") {
        KalMenu menu;
        // The arrays keep their capacity: one cycle first brings them to their size.
        REQUIRE(menu.LoadMenuResource(IDM_NESTED));
        menu.DestroyMenuAndData();
        const int popupsBefore = KalMenu::s_popupHandles.GetSize();
        const std::ptrdiff_t before = LiveAllocations();
        int loaded = 0;
        int menusLeft = 0;
        for (int cycle = 0; cycle < 1000; ++cycle) {
            loaded += menu.LoadMenuResource(IDM_NESTED) ? 1 : 0;
            std::vector<HMENU> subMenus;
            CollectSubMenus(menu.m_hMenu, subMenus);
            const HMENU root = menu.m_hMenu;
            menu.DestroyMenuAndData();
            menusLeft += ::IsMenu(root) ? 1 : 0;
            for (HMENU sub : subMenus)
                menusLeft += ::IsMenu(sub) ? 1 : 0;
        }
        const std::ptrdiff_t after = LiveAllocations();
        CHECK(loaded == 1000);
        CHECK(menusLeft == 0);
        CHECK(after == before);
        CHECK(KalMenu::s_popupHandles.GetSize() == popupsBefore);
    }
}

TEST_CASE("appending to a loaded menu keeps its top-level popups plain") {
    TestMenu menu;
    REQUIRE(menu.LoadMenuResource(IDM_NESTED));
    HMENU extra = ::CreatePopupMenu();
    REQUIRE(menu.AppendItemData(L"&Tools", MF_POPUP, reinterpret_cast<UINT_PTR>(extra)));
    REQUIRE(::GetMenuItemCount(menu.m_hMenu) == 4);
    CHECK_FALSE(IsOwnerDrawn(menu.m_hMenu, 3));
    CHECK(PlainText(menu.m_hMenu, 3) == L"&Tools");
    CHECK(menu.m_itemData[3]->flags == (MF_BYPOSITION | MF_POPUP));
    CHECK(::GetSubMenu(menu.m_hMenu, 3) == extra);
}

TEST_CASE("records own their text and image list") {
    KalMenuData record;
    CHECK(std::wstring(record.GetText()).empty());
    record.SetText(L"first");
    record.SetText(record.text);  // its own text: copied before the old one goes
    CHECK(std::wstring(record.GetText()) == L"first");
    record.SetText(nullptr);
    CHECK(record.text == nullptr);
    const std::ptrdiff_t before = LiveAllocations();
    {
        KalMenuData owner;
        owner.SetText(L"with images");
        owner.imageList = new CImageList;
        REQUIRE(owner.imageList->Create(16, 15, ILC_COLOR24 | ILC_MASK, 1, 1));
    }
    CHECK(LiveAllocations() == before);
}
