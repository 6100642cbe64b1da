// CButtonVexo's life: construction, destruction, attachment to a button window, the message map
// and the handlers of everything but the click and the painting.
#include "ButtonVexo.h"

#include <commctrl.h>

#include "framework/WindowMessages.h"

namespace {

constexpr DWORD kButtonTypeBits = 0x1F;
constexpr int kTooltipWidth = 400;

bool IsKalMenuPopup(HMENU menu) {
    for (int index = 0; index < KalMenu::s_popupHandles.GetSize(); ++index)
        if (KalMenu::s_popupHandles[index] == menu)
            return true;
    return false;
}

}  // namespace

CButtonVexo::CButtonVexo() {
    for (int slot = 0; slot < CI_COUNT; ++slot)
        m_clrTable[slot] = ::GetSysColor(slot % 2 == 0 ? COLOR_BTNFACE : COLOR_BTNTEXT);
}

CButtonVexo::~CButtonVexo() {
    // The backdrop bitmap must not be selected when its wrapper deletes it.
    if (m_dcBackdrop.GetSafeHdc() && m_hOldBackdropBmp)
        m_dcBackdrop.SelectObject(m_hOldBackdropBmp);
    ReleaseImages();
    if (m_hHoverCursor)
        ::DestroyCursor(m_hHoverCursor);
    if (m_popupMenu.m_hMenu)
        m_popupMenu.DestroyMenuAndData();
}

const MessageMap& CButtonVexo::GetMessageMap() const {
    static const MessageMap map(&CButton::GetMessageMap(),
                                {
                                    OnSetCursorMessage(&CButtonVexo::OnSetCursor),
                                    OnFocusMessage(WM_KILLFOCUS, &CButtonVexo::OnKillFocus),
                                    OnMouseMessage(WM_MOUSEMOVE, &CButtonVexo::OnMouseMove),
                                    OnMessage(WM_SYSCOLORCHANGE, &CButtonVexo::OnSysColorChange),
                                    OnReflected(BN_CLICKED, &CButtonVexo::OnReflectedClick),
                                    OnActivateMessage(&CButtonVexo::OnActivate),
                                    OnEnableMessage(&CButtonVexo::OnEnable),
                                    OnMessage(WM_CANCELMODE, &CButtonVexo::OnCancelMode),
                                    OnGetDlgCodeMessage(&CButtonVexo::OnGetDlgCode),
                                    OnReflectedMessage(WM_CTLCOLORBTN, &CButtonVexo::CtlColor),
                                    OnMenuCharMessage(&CButtonVexo::OnMenuChar),
                                    OnMeasureItemMessage(&CButtonVexo::OnMeasureItem),
                                    OnMessage(BM_SETSTYLE, &CButtonVexo::OnSetStyle),
                                    OnMessage(WM_MOUSELEAVE, &CButtonVexo::OnMouseLeave),
                                    OnMessage(BM_SETCHECK, &CButtonVexo::OnSetCheck),
                                    OnMessage(BM_GETCHECK, &CButtonVexo::OnGetCheck),
                                });
    return map;
}

void CButtonVexo::PreSubclassWindow() {
    const DWORD style = GetStyle();
    // One bit decides: every button type with the BS_CHECKBOX bit becomes a check box here.
    if (style & BS_CHECKBOX)
        m_bCheckMode = TRUE;
    if ((style & kButtonTypeBits) == BS_DEFPUSHBUTTON)
        m_bDefaultButton = TRUE;
    ModifyStyle(kButtonTypeBits, BS_OWNERDRAW, SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
}

BOOL CButtonVexo::PreTranslateMessage(MSG* msg) {
    EnsureTooltip();
    m_tooltip.RelayEvent(msg);
    return CButton::PreTranslateMessage(msg);
}

void CButtonVexo::EnsureTooltip() {
    if (m_tooltip.m_hWnd)
        return;
    m_tooltip.Create(m_hWnd, 0);
    m_tooltip.Activate(FALSE);
    m_tooltip.SetMaxTipWidth(kTooltipWidth);
}

// A double click is a second press, so fast clicking never loses a click.
LRESULT CButtonVexo::DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::DefWindowProcW(message, wParam, lParam);
}

void CButtonVexo::Invalidate() const { ::InvalidateRect(m_hWnd, nullptr, TRUE); }

void CButtonVexo::LeaveHover() {
    if (m_bFlatStyle && m_bHover) {
        m_bHover = FALSE;
        Invalidate();
    }
}

void CButtonVexo::RequestMouseLeave() const {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    ::_TrackMouseEvent(&track);
}

BOOL CButtonVexo::OnSetCursor(HWND, UINT, UINT) {
    if (!m_hHoverCursor)
        return static_cast<BOOL>(Default());
    ::SetCursor(m_hHoverCursor);
    return TRUE;
}

void CButtonVexo::OnKillFocus(HWND) {
    Default();
    LeaveHover();
}

void CButtonVexo::OnMouseMove(UINT keyFlags, POINT point) {
    Default();
    ::ClientToScreen(m_hWnd, &point);
    const HWND under = ::WindowFromPoint(point);
    // A press that began elsewhere doesn't make the button hot.
    if ((keyFlags & MK_LBUTTON) && !m_bHover)
        return;
    if (!m_bFlatStyle)
        return;
    const bool activeTestPasses = m_bTrackInactive || ::GetActiveWindow();
    if (under == m_hWnd && activeTestPasses) {
        if (m_bHover)
            return;
        m_bHover = TRUE;
        Invalidate();
        RequestMouseLeave();
        return;
    }
    if (m_bHover) {
        m_bHover = FALSE;
        Invalidate();
    }
}

void CButtonVexo::OnSysColorChange() {
    Default();
    m_dcBackdrop.DeleteDC();
    m_bmpBackdrop.DeleteObject();
}

void CButtonVexo::OnActivate(UINT state, HWND, BOOL) {
    Default();
    if (state == WA_INACTIVE)
        LeaveHover();
}

void CButtonVexo::OnEnable(BOOL enable) {
    Default();
    if (enable)
        return;
    const HWND parent = ::GetParent(m_hWnd);
    const HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
    // With no other tab stop the search can come back to this (now disabled) button.
    ::SetFocus(next && next != m_hWnd ? next : parent);
    LeaveHover();
}

void CButtonVexo::OnCancelMode() {
    Default();
    LeaveHover();
}

UINT CButtonVexo::OnGetDlgCode() {
    const UINT code = static_cast<UINT>(Default());
    return code | (m_bDefaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

// The face paints itself; the button window must not fill anything behind it.
HBRUSH CButtonVexo::CtlColor(HDC, UINT) { return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)); }

LRESULT CButtonVexo::OnMenuChar(UINT character, UINT flags, CMenu* menu) {
    if (menu && IsKalMenuPopup(menu->m_hMenu))
        return KalMenu::MatchMenuChar(character, flags, menu);
    return Default();
}

void CButtonVexo::OnMeasureItem(int, LPMEASUREITEMSTRUCT measure) {
    const auto menu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(measure->itemID));
    if (measure->CtlType == ODT_MENU && ::IsMenu(menu) && IsKalMenuPopup(menu)) {
        m_popupMenu.MeasureItem(measure);
        return;
    }
    if (!CMenu::RouteOwnerDraw(WM_MEASUREITEM, reinterpret_cast<LPARAM>(measure)))
        Default();
}

// The dialog manager moves the default look with BM_SETSTYLE; the window must stay owner-drawn.
LRESULT CButtonVexo::OnSetStyle(WPARAM wParam, LPARAM lParam) {
    const WPARAM type = wParam & kButtonTypeBits;
    if (type == BS_DEFPUSHBUTTON)
        m_bDefaultButton = TRUE;
    else if (type == BS_PUSHBUTTON)
        m_bDefaultButton = FALSE;
    return DefWindowProcW(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(kButtonTypeBits)) | BS_OWNERDRAW, lParam);
}

LRESULT CButtonVexo::OnMouseLeave(WPARAM, LPARAM) {
    LeaveHover();
    return 0;
}

LRESULT CButtonVexo::OnSetCheck(WPARAM wParam, LPARAM) {
    if (!m_bCheckMode)
        return 0;
    m_nCheckState = wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0;
    Invalidate();
    return 0;
}

LRESULT CButtonVexo::OnGetCheck(WPARAM, LPARAM) { return m_nCheckState; }
