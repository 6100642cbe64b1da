#include "ToolTipCtrl.h"

namespace {

// The size common controls 5 and 6 both accept: the larger Vista-era layout is refused by 5.
const UINT kToolInfoSize = TTTOOLINFOW_V2_SIZE;

TTTOOLINFOW WholeWindowTool(HWND window, const wchar_t* text, UINT extraFlags) {
    TTTOOLINFOW tool{};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_IDISHWND | extraFlags;
    tool.hwnd = ::GetParent(window) ? ::GetParent(window) : window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

}  // namespace

BOOL CToolTipCtrl::Create(HWND parent, DWORD style) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    DestroyWindow();
    m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    return m_hWnd != nullptr;
}

void CToolTipCtrl::DestroyWindow() {
    // The tooltip belongs to its owner's top-level window, which may have destroyed it already.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

BOOL CToolTipCtrl::SetToolText(HWND window, const wchar_t* text, UINT extraFlags) const {
    TTTOOLINFOW tool = WholeWindowTool(window, text, extraFlags);
    SendMessageW(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return static_cast<BOOL>(SendMessageW(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
}
