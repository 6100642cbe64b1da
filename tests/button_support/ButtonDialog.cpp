#include "ButtonDialog.h"

#include "doctest.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

ButtonDialog::ButtonDialog(UINT templateId) {
    const HWND dialog =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, &PlainDialogProc, 0);
    REQUIRE(dialog);
    REQUIRE(SubclassWindow(dialog));
    ::SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(dialog);
    Pump();
}

ButtonDialog::~ButtonDialog() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void ButtonDialog::Pump() const {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (CWnd::WalkPreTranslateTree(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int ButtonDialog::CommandCount(UINT id, UINT code) const {
    int count = 0;
    for (WPARAM command : commands_)
        if (LOWORD(command) == id && HIWORD(command) == code)
            ++count;
    return count;
}

LRESULT ButtonDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        commands_.push_back(wParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

HICON SolidIcon(int size, COLORREF colour) {
    const HDC screen = ::GetDC(nullptr);
    const HBITMAP image = ::CreateCompatibleBitmap(screen, size, size);
    const HDC dc = ::CreateCompatibleDC(screen);
    const HGDIOBJ previous = ::SelectObject(dc, image);
    const HBRUSH brush = ::CreateSolidBrush(colour);
    const RECT all{0, 0, size, size};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    const HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);  // all black: opaque everywhere
    ICONINFO info{TRUE, 0, 0, mask, image};
    const HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(mask);
    ::DeleteObject(image);
    return icon;
}
