// Mnemonic lookup for WM_MENUCHAR, and bringing the records back in step with a menu handle that
// other code changed directly.
#include <string>

#include "KalMenu.h"

namespace {

std::wstring Lowered(std::wstring text) {
    if (!text.empty())
        ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

LRESULT KalMenu::MatchMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu) {
    if (!pMenu || !pMenu->IsKindOf(RuntimeClassOf<KalMenu>()) || !(nFlags & MF_POPUP))
        return 0;
    auto* menu = static_cast<KalMenu*>(pMenu);
    const std::wstring mnemonic = Lowered(std::wstring{L'&', static_cast<wchar_t>(nChar)});
    if (menu->GetMenuItemCount() != menu->m_itemData.GetSize())
        menu->SyncItemData();
    const int count = menu->GetMenuItemCount();
    for (int position = 0; position < count && position < menu->m_itemData.GetSize(); ++position)
        if (Lowered(menu->m_itemData[position]->GetText()).find(mnemonic) != std::wstring::npos)
            return MAKELRESULT(position, MNC_EXECUTE);
    return MNC_IGNORE;
}

KalMenuData* KalMenu::TakeUnmatchedRecord(UINT_PTR id) {
    for (int index = 0; index < m_itemData.GetSize(); ++index) {
        KalMenuData* record = m_itemData[index];
        if (!record->matched && record->commandId == id) {
            record->matched = true;
            return record;
        }
    }
    return nullptr;
}

// The record for the item at position, reused when one matches, made when none does; the item is
// made owner-drawn with it where that is due.
KalMenuData* KalMenu::SyncedRecord(int position) {
    const UINT at = static_cast<UINT>(position);
    const UINT state = GetMenuState(at, MF_BYPOSITION);
    const std::wstring text = GetMenuString(at, MF_BYPOSITION);
    if (state & MF_POPUP) {
        const auto id = reinterpret_cast<UINT_PTR>(GetSubMenuHandle(position));
        if (KalMenuData* record = TakeUnmatchedRecord(id)) {
            if (!text.empty())
                record->SetText(text.c_str());
            return record;
        }
        auto* record = new KalMenuData;
        record->SetText(text.c_str());
        record->commandId = id;
        record->flags = (LOBYTE(state) & ~MF_POPUP) | MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP;
        ModifyMenuW(at, record->flags, id, record);
        return record;
    }
    if (state & MF_SEPARATOR) {
        KalMenuData* record = TakeUnmatchedRecord(0);
        if (!record) {
            record = new KalMenuData;
            record->flags = state | MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW;
        }
        // By position always: a record appended by command carries no MF_BYPOSITION of its own.
        ModifyMenuW(at, record->flags | MF_BYPOSITION, 0, record);
        return record;
    }
    const UINT id = GetMenuItemID(position);
    KalMenuData* record = TakeUnmatchedRecord(id);
    if (!record) {
        record = new KalMenuData;
        record->commandId = id;
    }
    record->flags = state | MF_BYPOSITION | MF_OWNERDRAW;
    if (!text.empty())
        record->SetText(text.c_str());
    ModifyMenuW(at, record->flags, id, record);
    return record;
}

void KalMenu::SyncItemData() {
    for (int index = 0; index < m_itemData.GetSize(); ++index)
        m_itemData[index]->matched = false;
    CTypedPtrArray<CPtrArray, KalMenuData*> synced;
    for (int position = 0; position < GetMenuItemCount(); ++position)
        synced.Add(SyncedRecord(position));
    for (int index = 0; index < m_itemData.GetSize(); ++index)
        if (!m_itemData[index]->matched)
            delete m_itemData[index];
    m_itemData.RemoveAll();
    for (int index = 0; index < synced.GetSize(); ++index)
        m_itemData.Add(synced[index]);
}
