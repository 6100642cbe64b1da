#include "ImageList.h"

BOOL CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ::ImageList_Create(width, height, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList)
        return FALSE;
    return ::ImageList_Destroy(std::exchange(m_hImageList, nullptr));
}

int CImageList::Add(HICON icon) { return ::ImageList_ReplaceIcon(m_hImageList, -1, icon); }

int CImageList::Add(HBITMAP image, COLORREF mask) { return ::ImageList_AddMasked(m_hImageList, image, mask); }

int CImageList::GetImageCount() const { return m_hImageList ? ::ImageList_GetImageCount(m_hImageList) : 0; }

HICON CImageList::ExtractIcon(int image) const { return ::ImageList_GetIcon(m_hImageList, image, 0); }

BOOL CImageList::Draw(HDC dc, int image, POINT at, UINT style) const {
    return ::ImageList_Draw(m_hImageList, image, dc, at.x, at.y, style);
}
