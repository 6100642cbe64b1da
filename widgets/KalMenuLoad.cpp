// Building a menu from a standard menu template, level by level, and aligning accelerators.
#include <algorithm>
#include <memory>
#include <string>

#include "KalMenu.h"
#include "KalMenuMetrics.h"
#include "MenuTemplate.h"
#include "framework/ResourceLookup.h"

namespace {

using menu_template::ReadItem;
using menu_template::SkipHeader;
using TemplateReader = menu_template::Reader;
using TemplateItem = menu_template::Item;
static_assert(menu_template::kPopup == MF_POPUP && menu_template::kEnd == MF_END);

HMODULE ModuleWithMenu(LPCWSTR name) {
    HMODULE module = AfxFindResourceHandle(name, RT_MENU);
    if (module && ::FindResourceW(module, name, RT_MENU))
        return module;
    module = ::GetModuleHandleW(nullptr);
    return ::FindResourceW(module, name, RT_MENU) ? module : nullptr;
}

}  // namespace

BOOL KalMenu::LoadMenuResource(UINT id) { return LoadMenuResource(MAKEINTRESOURCEW(id)); }

BOOL KalMenu::LoadMenuResource(LPCWSTR name) {
    HMODULE module = ModuleWithMenu(name);
    HRSRC found = module ? ::FindResourceW(module, name, RT_MENU) : nullptr;
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!data)
        return FALSE;
    DestroyMenuAndData();
    if (!CreateMenu())
        return FALSE;

    TemplateReader reader(data, ::SizeofResource(module, found));
    if (!SkipHeader(reader)) {
        DestroyMenuAndData();
        return FALSE;
    }
    // The menus still open, innermost last, each with its flag "closes after its current item".
    CTypedPtrArray<CPtrArray, KalMenu*> levels;
    CArray<int, int> levelEnds;
    levels.Add(this);
    levelEnds.Add(0);
    TemplateItem item;
    while (levels.GetSize() > 0) {
        // A template that stops before closing every level it opened is refused whole.
        if (!ReadItem(reader, item)) {
            DestroyMenuAndData();
            return FALSE;
        }
        const UINT flags = item.flags & ~MF_END;
        KalMenu* top = levels[levels.GetUpperBound()];
        if (item.flags & MF_POPUP) {
            if (item.flags & MF_END)
                levelEnds[levelEnds.GetSize() - 1] = 1;
            auto subMenu = std::make_unique<KalMenu>();
            subMenu->m_checkMark = m_checkMark;
            subMenu->m_selectedCheckMark = m_selectedCheckMark;
            subMenu->m_checkImages = m_checkImages;
            subMenu->m_isSubMenu = true;
            if (!subMenu->CreatePopupMenu()) {
                DestroyMenuAndData();
                return FALSE;
            }
            // From here the parent's submenu list owns the object.
            top->AppendItemData(item.text.c_str(), flags, reinterpret_cast<UINT_PTR>(subMenu->m_hMenu));
            levels.Add(subMenu.release());
            levelEnds.Add(0);
            continue;
        }
        top->AppendItemData(item.text.c_str(), flags, item.id);
        if (item.flags & MF_END)
            levelEnds[levelEnds.GetSize() - 1] = 1;
        while (levels.GetSize() > 0 && levelEnds[levelEnds.GetSize() - 1]) {
            levels[levels.GetUpperBound()]->AlignAccelerators();
            levels.RemoveAt(levels.GetUpperBound());
            levelEnds.RemoveAt(levelEnds.GetSize() - 1);
        }
    }
    MakeTopLevelPlain();
    m_topLevelPlain = true;
    return TRUE;
}

void KalMenu::MakeTopLevelPlain() {
    for (int position = 0; position < m_itemData.GetSize() && position < GetMenuItemCount(); ++position) {
        KalMenuData* record = m_itemData[position];
        const UINT at = static_cast<UINT>(position);
        if (HMENU subMenu = GetSubMenuHandle(position)) {
            record->flags = MF_BYPOSITION | MF_POPUP;
            ModifyMenuW(at, record->flags, reinterpret_cast<UINT_PTR>(subMenu), record->GetText());
        } else {
            record->flags = MF_BYPOSITION;
            ModifyMenuW(at, record->flags, record->commandId, record->GetText());
        }
    }
}

void KalMenu::AlignAccelerators() {
    CFont font;
    CreateMenuFont(font);
    CClientDC dc(MeasuringWindow());
    SelectedObject menuFont(dc, font);

    auto labelOf = [](const std::wstring& text) { return text.substr(0, text.find(L'\t')); };
    const int count = GetMenuItemCount();
    LONG widest = 0;
    for (int index = 0; index < count && index < m_itemData.GetSize(); ++index)
        widest = std::max(widest, dc.GetTextExtent(labelOf(m_itemData[index]->GetText()) + L' ').cx);

    for (int index = 0; index < m_itemData.GetSize(); ++index) {
        const std::wstring text = m_itemData[index]->GetText();
        const size_t tab = text.find(L'\t');
        if (tab == std::wstring::npos)
            continue;
        std::wstring padded = text.substr(0, tab);
        for (LONG width = -1;;) {
            padded += L' ';
            const LONG grown = dc.GetTextExtent(padded).cx;
            // A font whose blank has no width would never get there.
            if (grown >= widest || grown <= width)
                break;
            width = grown;
        }
        m_itemData[index]->SetText((padded + text.substr(tab)).c_str());
    }
}
