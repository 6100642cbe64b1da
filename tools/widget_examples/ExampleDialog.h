// The widget examples' dialog: icon buttons attached to the template's controls, and an
// owner-drawn shortcut menu. docs/widgets.md quotes this code; keep the two in step.
#pragma once

#include "ExampleIds.h"
#include "framework/Dialog.h"
#include "widgets/ButtonVexo.h"
#include "widgets/KalMenu.h"

// Fills KalMenu's class-wide images; call once, before any menu is loaded.
void RegisterMenuImages();

class ExampleDialog : public CDialog {
public:
    // closeWhenShown: end the dialog by itself once it has been painted (a smoke run).
    explicit ExampleDialog(bool closeWhenShown);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;

private:
    void SetUpButtons();
    void LoadMenus();
    void OnQuad();
    void OnMuteClicked();
    void OnFlatMenus();
    void OnLayout(UINT id);
    void OnMuteCommand();
    void OnContextMenu(UINT, LPARAM position);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM);
    LRESULT OnMenuChar(UINT character, UINT flags, CMenu* menu);
    void OnTimer(UINT id, LPARAM);
    void ShowStatus(const wchar_t* text) const;

    bool closeWhenShown_;
    UINT layout_ = ID_LAYOUT_QUAD;  // the layout the shortcut menu shows checked
    CButtonVexo quad_, mute_, layouts_, help_, warning_, flatMenus_;
    KalMenu shortcut_;  // position 0 holds the popup that a right-click shows
};
