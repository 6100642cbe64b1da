// CButtonVexo: an owner-drawn push button with a coloured face, a raised, sunken or flat border,
// state-dependent icons or masked bitmaps and a centred caption. It tracks hover, and can act as
// a check box, show its own cursor, relay to a tooltip, drop a KalMenu or open a link.
#pragma once

#include <windows.h>

#include "KalMenu.h"
#include "framework/Controls.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Rect.h"
#include "framework/ToolTipCtrl.h"

struct IconEntry {
    HICON hIcon;
    int cx;
    int cy;
};

// The mask is white where the image is transparent and black where it is opaque; the colour
// bitmap is black where it is transparent. Both have the same size.
struct BitmapEntry {
    HBITMAP hBitmap;
    int cx;
    int cy;
    HBITMAP hMask;
};

// Slots of the colour table.
enum ButtonColour { CI_BACK_HOT, CI_TEXT_HOT, CI_BACK_NORMAL, CI_TEXT_NORMAL, CI_BACK_FOCUS, CI_TEXT_FOCUS, CI_COUNT };

// Where the image stands relative to the caption.
enum ImagePosition : BYTE { IMGPOS_LEFT = 0, IMGPOS_ABOVE = 1, IMGPOS_RIGHT = 2 };

class CButtonVexo : public CButton {
public:
    CButtonVexo();
    ~CButtonVexo() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(LPDRAWITEMSTRUCT draw) override;

    // Filling the button. Images, cursors and menus given here are copied or loaded: the button
    // owns its own handles and the caller keeps (and releases) what it passed in.
    BOOL SetIcons(HICON hot, HICON normal = nullptr);
    // transparent: the colour of the pixels that let the face show through.
    BOOL SetBitmaps(HBITMAP hot, COLORREF transparent, HBITMAP normal = nullptr);
    BOOL SetColour(int slot, COLORREF colour);
    void SetImagePosition(BYTE position);
    void SetFlat(BOOL flat);
    void SetFlatBorder(BOOL border);
    void SetFocusRectWhenFlat(BOOL draw);
    void SetGreyDisabledBitmap(BOOL grey);
    void SetParentBackdrop(BOOL backdrop);
    void SetTrackInactive(BOOL track);
    BOOL SetHoverCursor(HCURSOR cursor);
    // FALSE when the link does not fit in MAX_PATH characters; the old link stays then.
    BOOL SetLink(const wchar_t* link);
    // The menu resource's first popup drops below the button; choices go to target as WM_COMMAND.
    BOOL SetPopupMenu(UINT menuId, HWND target);
    BOOL SetTooltipText(const wchar_t* text);

protected:
    void PreSubclassWindow() override;
    LRESULT DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) override;
    const MessageMap& GetMessageMap() const override;

    virtual DWORD PaintFaceBackground(CDC* dc, CRect* rect);
    virtual DWORD PaintFaceBorder(CDC* dc, CRect* rect);

    void CopyParentBackdrop(CDC* dc);
    void PlaceImage(int width, int height, BOOL hasCaption, const RECT& item, BOOL pressed, CRect* image,
                    CRect* caption) const;
    void PaintIcon(CDC* dc, BOOL hasCaption, const RECT& item, CRect* caption, BOOL pressed, BOOL disabled);
    void PaintBitmap(CDC* dc, BOOL hasCaption, const RECT& item, CRect* caption, BOOL pressed, BOOL disabled);

    BOOL m_bGreyDisabledBitmap = TRUE;
    BOOL m_bFlatStyle = TRUE;
    BOOL m_bHover = FALSE;  // only ever set while m_bFlatStyle is
    BOOL m_bParentBackdrop = FALSE;
    BOOL m_bStatePressed = FALSE;  // the three states are rewritten at the start of every paint
    BOOL m_bStateFocused = FALSE;
    BOOL m_bStateDisabled = FALSE;
    BOOL m_bDefaultButton = FALSE;
    BOOL m_bCheckMode = FALSE;
    BYTE m_byImagePos = IMGPOS_LEFT;
    BOOL m_bFlatBorder = TRUE;
    BOOL m_bFocusRectWhenFlat = FALSE;
    COLORREF m_clrTable[CI_COUNT];  // read from the system once, at construction
    HWND m_hMenuTarget = nullptr;
    BOOL m_bMenuOpen = FALSE;  // set only while TrackPopupMenu runs
    KalMenu m_popupMenu;       // when it has a handle, its position 0 is a submenu
    HCURSOR m_hHoverCursor = nullptr;
    CToolTipCtrl m_tooltip;
    CDC m_dcBackdrop;  // the parent's pixels under the button, taken at the first transparent paint
    CBitmap m_bmpBackdrop;
    HBITMAP m_hOldBackdropBmp = nullptr;
    BOOL m_bTrackInactive = TRUE;
    int m_nCheckState = 0;  // 0 or 1
    wchar_t m_szLink[MAX_PATH] = {};
    IconEntry m_icons[2] = {};  // [0] hot, [1] normal (optional)
    BitmapEntry m_bitmaps[2] = {};

private:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    void OnKillFocus(HWND next);
    void OnMouseMove(UINT keyFlags, POINT point);
    void OnSysColorChange();
    BOOL OnReflectedClick();
    void OnActivate(UINT state, HWND other, BOOL minimized);
    void OnEnable(BOOL enable);
    void OnCancelMode();
    UINT OnGetDlgCode();
    HBRUSH CtlColor(HDC dc, UINT controlType);
    LRESULT OnMenuChar(UINT character, UINT flags, CMenu* menu);
    void OnMeasureItem(int controlId, LPMEASUREITEMSTRUCT measure);
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);

    void Invalidate() const;
    void LeaveHover();
    void RequestMouseLeave() const;
    void EnsureTooltip();
    void ShowPopupMenu();
    void OpenLink() const;
    void ReleaseIcons();
    void ReleaseBitmaps();
    void ReleaseImages();

    void DecideState(UINT itemState);
    void PaintBorder(CDC* dc, CRect* rect);
    void PaintRaisedEdge(CDC* dc, const CRect& rect) const;
    void PaintCaption(CDC* dc, const std::wstring& caption, CRect area) const;
    int ChosenEntry(bool hasNormal, BOOL pressed) const;
};
