// An owner-drawn popup menu: every item carries a KalMenuData record, so the menu draws its own
// items, with images and check marks, in a classic look or a flat look that follows the XP theme.
#pragma once

#include <windows.h>

#include "KalMenuData.h"
#include "framework/Array.h"
#include "framework/Dc.h"
#include "framework/ImageList.h"
#include "framework/Menu.h"
#include "framework/PtrArray.h"

struct KalItemLook;

class KalMenu : public CMenu {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

    KalMenu() = default;
    ~KalMenu() override;  // NOLINT(bugprone-exception-escape): see the definition

    void DrawItem(LPDRAWITEMSTRUCT draw) override;
    void MeasureItem(LPMEASUREITEMSTRUCT measure) override;
    virtual BOOL LoadMenuResource(UINT id);
    virtual BOOL LoadMenuResource(LPCWSTR name);
    // Destroys the menu handle, every record, and the submenu objects this menu created.
    virtual BOOL DestroyMenuAndData();

    // The answer to WM_MENUCHAR for pMenu.
    static LRESULT MatchMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    static int GetWindowsVersionCode();
    // Read once per process: a theme change while running is not seen.
    static bool IsClassicTheme();
    // Windows XP with its visual theme: the look the flat style imitates.
    static bool IsThemedXP();
    static bool HasImageTriple(int index);
    // Moves each colour byte the given share of the way towards 255.
    static COLORREF LightenColor(double amount, COLORREF colour);

    // Disabled images, the top-left corner at (x, y).
    static void DrawEmbossedImage(CDC& target, int x, int y, int width, int height, HBITMAP image, COLORREF background);
    static void DrawDitheredImage(CDC& target, int x, int y, int width, int height, HBITMAP image, COLORREF background);
    // One image of list on a COLOR_BTNFACE background, menu's image size, compatible with target.
    static BOOL MakeImageBitmap(int index, CDC& target, const KalMenu& menu, const CImageList& list, CBitmap& bitmap);

    CTypedPtrArray<CPtrArray, KalMenuData*> m_itemData;  // owned, in menu order
    CTypedPtrArray<CPtrArray, HMENU> m_subMenus;
    int m_imageWidth = 16;
    int m_imageHeight = 15;
    int m_embossDisabled = 0;
    CImageList* m_checkImages = nullptr;  // image 0 unselected, image 1 selected
    bool m_isSubMenu = false;             // shares the root's m_checkImages and never deletes them
    int m_selectedCheckMark = -1;
    int m_checkMark = -1;
    bool m_topLevelPlain = false;  // the top level's popup entries stay plain string items

    static CTypedPtrArray<CPtrArray, HMENU> s_popupHandles;
    static CArray<int, int&> s_commandIds;
    static CImageList s_commandImages;
    static int s_windowsVersion;
    static int s_drawStyle;        // 1: the flat look wherever the display allows it
    static int s_highlightGrayed;  // 0: the flat look never highlights a grayed item

protected:
    BOOL AppendItemData(const wchar_t* text, UINT flags, UINT_PTR id);
    void SyncItemData();
    void AlignAccelerators();

private:
    KalMenuData* AddRecord(const wchar_t* text, UINT flags, UINT_PTR id);
    void RefreshTopLevel();
    int TopLevelRecordOffset();
    void MakeTopLevelPlain();
    KalMenuData* TakeUnmatchedRecord(UINT_PTR id);
    KalMenuData* SyncedRecord(int position);
    void DeleteRecords();
    void DeleteSubMenus();

    void DrawItemClassic(CDC& dc, const DRAWITEMSTRUCT& draw, const KalMenuData& record) const;
    void DrawItemFlat(CDC& dc, const DRAWITEMSTRUCT& draw, const KalMenuData& record) const;
    void DrawClassicImage(CDC& dc, const KalItemLook& look, const RECT& item, int offset, COLORREF background) const;
    void DrawFlatImage(CDC& dc, const KalItemLook& look, const RECT& item, COLORREF column, COLORREF highlight,
                       COLORREF selection) const;
    void DrawDisabledImage(CDC& dc, const KalItemLook& look, POINT at, COLORREF background) const;
    KalItemLook LookOf(const KalMenuData& record, UINT state, bool flat) const;
    static void DrawCheckClassic(CDC& dc, const RECT& rect, bool selected, HBITMAP checked);
    static void DrawCheckFlat(CDC& dc, const RECT& rect, COLORREF highlight, HBITMAP checked);
    static void DrawTick(CDC& dc, COLORREF colour, int x, int y);
    static void DrawBullet(CDC& dc, COLORREF colour, int x, int y);
};
