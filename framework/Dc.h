// Device contexts: CDC borrows a DC, or owns one it attached or created; CPaintDC owns one paint
// cycle of a window; CClientDC and CWindowDC own a window's DC until they release it.
#pragma once

#include <string>
#include <utility>

#include "Gdi.h"
#include "Wnd.h"

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc), m_hAttribDC(dc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() { DeleteDC(); }

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon) const { return ::DrawIcon(m_hDC, x, y, icon); }

    // Takes ownership of dc: it is deleted with this object.
    BOOL Attach(HDC dc) {
        DeleteDC();
        m_hDC = m_hAttribDC = dc;
        owned_ = dc != nullptr;
        return owned_;
    }
    HDC Detach() {
        owned_ = false;
        m_hAttribDC = nullptr;
        return std::exchange(m_hDC, nullptr);
    }
    // A memory DC like other's (or like the screen for nullptr), owned by this object.
    BOOL CreateCompatibleDC(const CDC* other) { return Attach(::CreateCompatibleDC(other ? other->m_hDC : nullptr)); }
    BOOL DeleteDC() {
        if (!owned_)
            return FALSE;
        owned_ = false;
        m_hAttribDC = nullptr;
        return ::DeleteDC(std::exchange(m_hDC, nullptr));
    }

    HGDIOBJ SelectObject(HGDIOBJ object) const { return ::SelectObject(m_hDC, object); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC ? m_hAttribDC : m_hDC, index); }
    COLORREF SetBkColor(COLORREF colour) const { return ::SetBkColor(m_hDC, colour); }
    COLORREF SetTextColor(COLORREF colour) const { return ::SetTextColor(m_hDC, colour); }
    int SetBkMode(int mode) const { return ::SetBkMode(m_hDC, mode); }
    POINT SetWindowOrg(int x, int y) const {
        POINT previous{};
        ::SetWindowOrgEx(m_hDC, x, y, &previous);
        return previous;
    }

    void FillRect(const RECT& rect, HBRUSH brush) const { ::FillRect(m_hDC, &rect, brush); }
    // Fills without disturbing the DC's colours.
    void FillSolidRect(const RECT& rect, COLORREF colour) const {
        CBrush brush(colour);
        ::FillRect(m_hDC, &rect, brush);
    }
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) const {
        FillSolidRect(RECT{x, y, x + cx, y + cy}, colour);
    }
    // One-pixel frame: topLeft on the top and left edges, bottomRight on the right and bottom edges
    // (which own the top-right and bottom-left corners).
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) const {
        const int cx = rect.right - rect.left;
        const int cy = rect.bottom - rect.top;
        FillSolidRect(rect.left, rect.top, cx - 1, 1, topLeft);
        FillSolidRect(rect.left, rect.top, 1, cy - 1, topLeft);
        FillSolidRect(rect.right - 1, rect.top, 1, cy, bottomRight);
        FillSolidRect(rect.left, rect.bottom - 1, cx, 1, bottomRight);
    }
    BOOL DrawEdge(RECT rect, UINT edge, UINT flags) const { return ::DrawEdge(m_hDC, &rect, edge, flags); }
    POINT MoveTo(int x, int y) const {
        POINT previous{};
        ::MoveToEx(m_hDC, x, y, &previous);
        return previous;
    }
    BOOL LineTo(int x, int y) const { return ::LineTo(m_hDC, x, y); }
    BOOL Ellipse(int left, int top, int right, int bottom) const { return ::Ellipse(m_hDC, left, top, right, bottom); }
    BOOL BitBlt(int x, int y, int width, int height, const CDC* source, int sourceX, int sourceY, DWORD rop) const {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sourceX, sourceY, rop);
    }
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop) const {
        return ::PatBlt(m_hDC, x, y, width, height, rop);
    }
    int DrawText(const std::wstring& text, RECT rect, UINT format) const {
        return ::DrawTextW(m_hDC, text.c_str(), static_cast<int>(text.size()), &rect, format);
    }
    SIZE GetTextExtent(const std::wstring& text) const {
        SIZE size{};
        ::GetTextExtentPoint32W(m_hAttribDC ? m_hAttribDC : m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;  // the DC asked for attributes and metrics; the same as m_hDC here
    BOOL m_bPrinting = FALSE;

private:
    bool owned_ = false;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd) : hwnd_(wnd->m_hWnd) { m_hDC = m_hAttribDC = ::BeginPaint(hwnd_, &m_ps); }
    ~CPaintDC() override { ::EndPaint(hwnd_, &m_ps); }

    PAINTSTRUCT m_ps{};

private:
    HWND hwnd_;
};

// The client-area DC of a window (nullptr: the screen), released when the object goes.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd) : hwnd_(hwnd) { m_hDC = m_hAttribDC = ::GetDC(hwnd); }
    ~CClientDC() override { ::ReleaseDC(hwnd_, m_hDC); }

private:
    HWND hwnd_;
};

// The whole-window DC, frame included, released when the object goes.
class CWindowDC : public CDC {
public:
    explicit CWindowDC(HWND hwnd) : hwnd_(hwnd) { m_hDC = m_hAttribDC = ::GetWindowDC(hwnd); }
    ~CWindowDC() override { ::ReleaseDC(hwnd_, m_hDC); }

private:
    HWND hwnd_;
};

// Puts the previous object back when the scope ends.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const CDC& dc, HGDIOBJ object) : SelectedObject(dc.m_hDC, object) {}
    ~SelectedObject() { ::SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
