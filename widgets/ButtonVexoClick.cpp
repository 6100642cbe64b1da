// What a click on CButtonVexo does: toggle the check box, drop the popup menu, or open the link.
// The parent always gets its BN_CLICKED as well.
#include "ButtonVexo.h"

#include <shellapi.h>

namespace {

constexpr UINT kPopupFlags = TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

}  // namespace

BOOL CButtonVexo::OnReflectedClick() {
    ::SetFocus(m_hWnd);
    if (m_bCheckMode) {
        m_nCheckState = m_nCheckState == 0 ? 1 : 0;
        Invalidate();
    } else if (m_popupMenu.m_hMenu) {
        ShowPopupMenu();
    } else if (m_szLink[0]) {
        OpenLink();
    }
    return FALSE;
}

void CButtonVexo::ShowPopupMenu() {
    const HMENU popup = m_popupMenu.GetSubMenuHandle(0);
    if (!popup)
        return;
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    m_bMenuOpen = TRUE;
    Invalidate();
    const UINT command =
        static_cast<UINT>(::TrackPopupMenu(popup, kPopupFlags, window.left, window.bottom, 0, m_hWnd, nullptr));
    m_bMenuOpen = FALSE;
    Invalidate();
    if (command)
        ::PostMessageW(m_hMenuTarget, WM_COMMAND, MAKEWPARAM(LOWORD(command), 0), 0);
}

void CButtonVexo::OpenLink() const {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"open";
    execute.lpFile = m_szLink;
    execute.nShow = SW_SHOWMAXIMIZED;
    ::ShellExecuteExW(&execute);
}
