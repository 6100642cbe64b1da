// Menus: CMenu owns a menu handle. A permanent handle map links each attached handle to its
// object, so owner-draw messages reach the object that drew the menu.
#pragma once

#include <windows.h>

#include <string>

#include "Object.h"

class CMenu : public CObject {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

    CMenu() = default;
    ~CMenu() override { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The object attached to a handle, or nullptr.
    static CMenu* FromHandlePermanent(HMENU menu);
    // The attached object, or else a temporary wrapper that lives until DeleteTempMap.
    static CMenu* FromHandle(HMENU menu);
    static void DeleteTempMap();
    // Sends an owner-draw message for a menu item to the permanent menu that holds the item.
    static BOOL RouteOwnerDraw(UINT message, LPARAM lParam);

    BOOL Attach(HMENU menu);
    HMENU Detach();
    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL DestroyMenu();
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    // For MF_OWNERDRAW items, data is the item data; otherwise it is the item's text.
    BOOL AppendMenuW(UINT flags, UINT_PTR id, const void* data) const {
        return ::AppendMenuW(m_hMenu, flags, id, static_cast<LPCWSTR>(data));
    }
    BOOL ModifyMenuW(UINT position, UINT flags, UINT_PTR id, const void* data) const {
        return ::ModifyMenuW(m_hMenu, position, flags, id, static_cast<LPCWSTR>(data));
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
    // The item's text, at most maxLength characters.
    std::wstring GetMenuString(UINT item, UINT flags, int maxLength = 1024) const;
    HMENU GetSubMenuHandle(int position) const { return ::GetSubMenu(m_hMenu, position); }
    CMenu* GetSubMenu(int position) const;

    virtual void DrawItem(LPDRAWITEMSTRUCT) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}

    HMENU m_hMenu = nullptr;
};
