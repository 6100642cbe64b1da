// The menu's records and their ownership, the class-wide lists, and appending items.
#include "KalMenu.h"
#include "ColourMath.h"

const CRuntimeClass KalMenu::runtimeClass{"KalMenu", &CMenu::runtimeClass};

CTypedPtrArray<CPtrArray, HMENU> KalMenu::s_popupHandles;
CArray<int, int&> KalMenu::s_commandIds;
CImageList KalMenu::s_commandImages;
int KalMenu::s_windowsVersion = KalMenu::GetWindowsVersionCode();
int KalMenu::s_drawStyle = 0;
int KalMenu::s_highlightGrayed = 0;

namespace {

int FirstCommandImage(UINT_PTR id) {
    for (int index = 0; index < KalMenu::s_commandIds.GetSize(); ++index)
        if (static_cast<UINT_PTR>(KalMenu::s_commandIds[index]) == id)
            return index;
    return -1;
}

}  // namespace

// Called by name: the destructor runs this class's teardown whatever a subclass overrides. The
// teardown only erases records it owns, by indices it has just checked, so nothing throws.
// NOLINTNEXTLINE(bugprone-exception-escape)
KalMenu::~KalMenu() { KalMenu::DestroyMenuAndData(); }

BOOL KalMenu::DestroyMenuAndData() {
    s_popupHandles.RemoveEvery(m_hMenu);
    DeleteSubMenus();
    DeleteRecords();
    if (m_checkImages && !m_isSubMenu) {
        delete m_checkImages;
        m_checkImages = nullptr;
    }
    return CMenu::DestroyMenu();
}

void KalMenu::DeleteSubMenus() {
    for (int index = m_subMenus.GetUpperBound(); index >= 0; --index) {
        HMENU subMenu = m_subMenus[index];
        s_popupHandles.RemoveEvery(subMenu);
        // Only submenus this class created are objects of its own; plain handles belong to their maker.
        CMenu* object = CMenu::FromHandlePermanent(subMenu);
        if (object && object->IsKindOf(RuntimeClassOf<KalMenu>()))
            delete object;
    }
    m_subMenus.RemoveAll();
}

void KalMenu::DeleteRecords() {
    for (int index = 0; index < m_itemData.GetSize(); ++index)
        delete m_itemData[index];
    m_itemData.RemoveAll();
}

KalMenuData* KalMenu::AddRecord(const wchar_t* text, UINT flags, UINT_PTR id) {
    auto* record = new KalMenuData;
    m_itemData.Add(record);
    record->SetText(text);
    record->flags = flags;
    record->commandId = id;
    record->commandImageIndex = FirstCommandImage(id);
    return record;
}

BOOL KalMenu::AppendItemData(const wchar_t* text, UINT flags, UINT_PTR id) {
    if (id == 0)
        flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    else
        flags |= MF_OWNERDRAW;
    if (flags & MF_POPUP) {
        s_popupHandles.Add(reinterpret_cast<HMENU>(id));
        m_subMenus.Add(reinterpret_cast<HMENU>(id));
    }
    KalMenuData* record = AddRecord(text, flags, id);
    const BOOL appended = AppendMenuW(flags, id, record);
    if (m_topLevelPlain)
        RefreshTopLevel();
    return appended;
}

// The first position whose text is some record's text gives the shift between positions and
// record indices; items appended by others before the records would otherwise misalign them.
int KalMenu::TopLevelRecordOffset() {
    const int count = GetMenuItemCount();
    for (int position = 0; position < count; ++position) {
        const std::wstring text = GetMenuString(static_cast<UINT>(position), MF_BYPOSITION);
        if (text.empty())
            continue;
        for (int index = 0; index < m_itemData.GetSize(); ++index)
            if (text == m_itemData[index]->GetText())
                return position >= index ? position - index : 0;
    }
    return 0;
}

void KalMenu::RefreshTopLevel() {
    const int records = m_itemData.GetSize();
    int position = TopLevelRecordOffset();
    for (int index = 0; position < GetMenuItemCount() && index < records; ++position, ++index) {
        HMENU subMenu = GetSubMenuHandle(position);
        if (!subMenu)
            continue;
        KalMenuData* record = m_itemData[index];
        record->flags = MF_BYPOSITION | MF_POPUP;
        ModifyMenuW(static_cast<UINT>(position), record->flags, reinterpret_cast<UINT_PTR>(subMenu), record->GetText());
    }
}

bool KalMenu::HasImageTriple(int index) {
    if (index < 0 || index + 2 >= s_commandIds.GetSize())
        return false;
    return s_commandIds[index] == s_commandIds[index + 1] && s_commandIds[index] == s_commandIds[index + 2];
}

COLORREF KalMenu::LightenColor(double amount, COLORREF colour) { return LightenRgb(amount, colour); }
