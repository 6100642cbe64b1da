#include "Menu.h"

#include <map>
#include <memory>
#include <vector>

const CRuntimeClass CMenu::runtimeClass{"CMenu", &CObject::runtimeClass};

namespace {

// Menus live on the UI thread; only that thread attaches, detaches and looks them up.
std::map<HMENU, CMenu*>& PermanentMap() {
    static std::map<HMENU, CMenu*> map;
    return map;
}

std::map<HMENU, std::unique_ptr<CMenu>>& TemporaryMap() {
    static std::map<HMENU, std::unique_ptr<CMenu>> map;
    return map;
}

// A temporary wrapper borrows its handle: it must not destroy it.
void DropTemporary(HMENU menu) {
    auto found = TemporaryMap().find(menu);
    if (found == TemporaryMap().end())
        return;
    found->second->m_hMenu = nullptr;
    TemporaryMap().erase(found);
}

bool ItemMatches(HMENU menu, int position, UINT id, ULONG_PTR data) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_DATA;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info))
        return false;
    return data ? info.dwItemData == data : info.wID == id;
}

// The permanent menu that holds the item directly (not through one of its submenus).
CMenu* OwnerOfItem(UINT id, ULONG_PTR data) {
    for (const auto& [handle, menu] : PermanentMap()) {
        const int count = ::GetMenuItemCount(handle);
        for (int position = 0; position < count; ++position)
            if (ItemMatches(handle, position, id, data))
                return menu;
    }
    return nullptr;
}

}  // namespace

CMenu* CMenu::FromHandlePermanent(HMENU menu) {
    auto found = PermanentMap().find(menu);
    return found == PermanentMap().end() ? nullptr : found->second;
}

CMenu* CMenu::FromHandle(HMENU menu) {
    if (!menu)
        return nullptr;
    if (CMenu* permanent = FromHandlePermanent(menu))
        return permanent;
    std::unique_ptr<CMenu>& temporary = TemporaryMap()[menu];
    if (!temporary) {
        temporary = std::make_unique<CMenu>();
        temporary->m_hMenu = menu;
    }
    return temporary.get();
}

void CMenu::DeleteTempMap() {
    std::vector<HMENU> handles;
    for (const auto& entry : TemporaryMap())
        handles.push_back(entry.first);
    for (HMENU menu : handles)
        DropTemporary(menu);
}

BOOL CMenu::RouteOwnerDraw(UINT message, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        CMenu* menu =
            draw->CtlType == ODT_MENU ? FromHandlePermanent(reinterpret_cast<HMENU>(draw->hwndItem)) : nullptr;
        if (menu)
            menu->DrawItem(draw);
        return menu != nullptr;
    }
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        CMenu* menu = measure->CtlType == ODT_MENU ? OwnerOfItem(measure->itemID, measure->itemData) : nullptr;
        if (menu)
            menu->MeasureItem(measure);
        return menu != nullptr;
    }
    return FALSE;
}

BOOL CMenu::Attach(HMENU menu) {
    if (m_hMenu || !menu || FromHandlePermanent(menu))
        return FALSE;
    DropTemporary(menu);
    m_hMenu = menu;
    PermanentMap()[menu] = this;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU menu = m_hMenu;
    if (menu && FromHandlePermanent(menu) == this)
        PermanentMap().erase(menu);
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

std::wstring CMenu::GetMenuString(UINT item, UINT flags, int maxLength) const {
    std::wstring text(static_cast<size_t>(maxLength) + 1, L'\0');
    const int length = ::GetMenuStringW(m_hMenu, item, &text[0], maxLength + 1, flags);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

CMenu* CMenu::GetSubMenu(int position) const { return FromHandle(GetSubMenuHandle(position)); }
