// What the classic and the flat look share: the item's image state, its text split at tabs, and
// drawing one image of a list.
#pragma once

#include <string>

#include "framework/Dc.h"
#include "framework/ImageList.h"

class KalMenuData;

struct KalItemLook {
    const KalMenuData* record = nullptr;
    int image = -1;                    // I: the image to draw
    const CImageList* list = nullptr;  // L: where it comes from
    int own = -1;                      // O
    bool usesClassWide = false;        // I and L are the class-wide command images
    bool selected = false;
    bool grayed = false;
    bool checked = false;
    bool checkImage = false;  // a checked item shown with the image check mark
    bool hasImage = false;

    bool HasPicture() const { return hasImage || checkImage; }
    bool Hot() const { return hasImage && selected && !grayed; }
    bool Disabled() const { return hasImage && grayed; }
};

// The label is what comes before the first tab, the accelerator what follows the last one.
struct KalItemText {
    std::wstring label;
    std::wstring accelerator;
    bool hasTab = false;
};
KalItemText SplitAtTabs(const std::wstring& text);

// The label left, the accelerator right-aligned, both centred vertically.
void DrawItemText(CDC& dc, const KalItemText& text, const RECT& rect, COLORREF colour);

// Draws nothing when there is no list.
void DrawListImage(CDC& dc, const CImageList* list, int image, int x, int y);
// The check-mark bitmap Windows keeps for the item, nullptr when it has none.
HBITMAP CheckedBitmapOf(const DRAWITEMSTRUCT& draw);
