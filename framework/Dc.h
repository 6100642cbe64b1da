// Device contexts: CDC borrows a DC; CPaintDC owns one paint cycle of a window.
#pragma once

#include "Wnd.h"

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon) const { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC = nullptr;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd) : hwnd_(wnd->m_hWnd) { m_hDC = ::BeginPaint(hwnd_, &m_ps); }
    ~CPaintDC() override { ::EndPaint(hwnd_, &m_ps); }

    PAINTSTRUCT m_ps{};

private:
    HWND hwnd_;
};
