// One owner-drawn menu item's record: its text, images and flags. The menu that lists the record
// owns it; for an owner-drawn item the record's address is the item data Windows hands back.
#pragma once

#include <windows.h>

#include "framework/ImageList.h"

class KalMenuData {
public:
    KalMenuData() = default;
    ~KalMenuData();
    KalMenuData(const KalMenuData&) = delete;
    KalMenuData& operator=(const KalMenuData&) = delete;

    // Stores a private copy; nullptr clears the text.
    void SetText(const wchar_t* newText);
    // The text, or an empty string when there is none.
    const wchar_t* GetText() const { return text ? text : L""; }

    wchar_t* text = nullptr;
    int imageIndex = -1;
    int commandImageIndex = -1;  // position of commandId in KalMenu::s_commandIds, or -1
    int ownImage = -1;           // 0 or more: the item shows image imageIndex of imageList
    UINT flags = 0;              // the MF_ flags of the last append or modify
    UINT_PTR commandId = 0;      // for a popup item, the submenu's HMENU
    bool matched = false;        // scratch mark while records are matched to the menu's items
    CImageList* imageList = nullptr;
};
