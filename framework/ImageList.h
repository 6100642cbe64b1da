// Common-controls image lists: the wrapper owns its list and destroys it when it dies.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <utility>

#include "Object.h"

class CImageList : public CObject {
public:
    CImageList() = default;
    ~CImageList() override { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int width, int height, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    HIMAGELIST Detach() { return std::exchange(m_hImageList, nullptr); }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

    int Add(HICON icon);
    int Add(HBITMAP image, COLORREF mask);
    int GetImageCount() const;
    // A new icon of the image; the caller destroys it.
    HICON ExtractIcon(int image) const;
    BOOL Draw(HDC dc, int image, POINT at, UINT style) const;

    HIMAGELIST m_hImageList = nullptr;
};
