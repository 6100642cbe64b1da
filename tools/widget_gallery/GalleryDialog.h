// The gallery's dialog: every CButtonVexo look and state side by side. With a shot path it
// saves a picture of itself once painted and closes.
#pragma once

#include <string>

#include "framework/Dialog.h"
#include "widgets/ButtonVexo.h"

class GalleryDialog : public CDialog {
public:
    explicit GalleryDialog(std::wstring shotPath);

protected:
    BOOL OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;

private:
    void SetUpLooks();
    void SetUpIcons();
    void SetUpBitmaps();
    void SetUpActions();
    void ShowStatus(const wchar_t* text) const;
    void OnMenuChoice(UINT id);
    void OnButton(UINT id);
    void OnTimer(UINT, LPARAM);

    std::wstring shotPath_;
    CButtonVexo standard_, flat_, default_, disabled_, check_;
    CButtonVexo iconLeft_, iconAbove_, iconRight_, iconOnly_, iconDisabled_;
    CButtonVexo bitmap_, bitmapDisabled_, menu_, link_, coloured_;
};
