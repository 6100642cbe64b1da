#include "ExampleDialog.h"

#include "framework/WindowMessages.h"

namespace {

constexpr UINT_PTR kCloseTimer = 1;

HICON LoadSmallIcon(int id) {
    return static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

}  // namespace

// Menu images by command id, shared by every KalMenu of the program. A menu looks its ids up
// when it is loaded, so this runs once, before the first LoadMenuResource.
void RegisterMenuImages() {
    const struct {
        int command;
        int icon;
    } images[] = {
        {ID_LAYOUT_QUAD, IDI_EXAMPLE_QUAD},
        {ID_LAYOUT_H, IDI_EXAMPLE_H_LAYOUT},
        {ID_AUDIO_MUTE, IDI_EXAMPLE_MUTE},
    };
    // The menu's image size: 16 x 15 unless m_imageWidth and m_imageHeight are changed.
    KalMenu::s_commandImages.Create(16, 15, ILC_COLOR24 | ILC_MASK, 3, 1);
    for (auto image : images) {
        const HICON icon = LoadSmallIcon(image.icon);
        KalMenu::s_commandImages.Add(icon);
        ::DestroyIcon(icon);
        KalMenu::s_commandIds.Add(image.command);
    }
}

ExampleDialog::ExampleDialog(bool closeWhenShown) : CDialog(IDD_EXAMPLES), closeWhenShown_(closeWhenShown) {}

void ExampleDialog::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_QUAD, quad_);
    DDX_Control(dx, IDC_MUTE, mute_);
    DDX_Control(dx, IDC_LAYOUTS, layouts_);
    DDX_Control(dx, IDC_HELP_LINK, help_);
    DDX_Control(dx, IDC_WARNING, warning_);
    DDX_Control(dx, IDC_FLAT_MENUS, flatMenus_);
}

BOOL ExampleDialog::OnInitDialog() {
    CDialog::OnInitDialog();  // runs DoDataExchange: the buttons are attached from here on
    SetUpButtons();
    LoadMenus();
    if (closeWhenShown_)
        ::SetTimer(m_hWnd, kCloseTimer, 300, nullptr);
    return TRUE;
}

void ExampleDialog::SetUpButtons() {
    // The button copies the icons: ours are destroyed right after.
    const HICON quad = LoadSmallIcon(IDI_EXAMPLE_QUAD);
    const HICON mute = LoadSmallIcon(IDI_EXAMPLE_MUTE);
    const HICON audio = LoadSmallIcon(IDI_EXAMPLE_AUDIO);
    const HICON layouts = LoadSmallIcon(IDI_EXAMPLE_H_LAYOUT);

    // Flat (the default): a thin raised border while the mouse is over it.
    quad_.SetIcons(quad);
    quad_.SetTooltipText(L"Show all four inputs");
    quad_.SetHoverCursor(::LoadCursorW(nullptr, IDC_HAND));

    // A check box (BS_AUTOCHECKBOX in the template) in the raised look: the first icon shows
    // while it is checked, the second while it is not.
    mute_.SetFlat(FALSE);
    mute_.SetIcons(mute, audio);
    mute_.SetTooltipText(L"Mute the sound");

    // A menu button (its menu is set in LoadMenus), the icon right of the caption.
    layouts_.SetIcons(layouts);
    layouts_.SetImagePosition(IMGPOS_RIGHT);

    help_.SetLink(L"https://www.example.com/quorvex/help");
    help_.SetTooltipText(L"Opens the manual in the browser");

    warning_.SetFlat(FALSE);
    warning_.SetColour(CI_BACK_NORMAL, RGB(190, 30, 30));
    warning_.SetColour(CI_TEXT_NORMAL, RGB(255, 255, 255));
    warning_.SetColour(CI_BACK_FOCUS, RGB(210, 50, 50));
    warning_.SetColour(CI_BACK_HOT, RGB(250, 200, 60));
    warning_.SetColour(CI_TEXT_HOT, RGB(0, 0, 0));

    flatMenus_.SetFlat(FALSE);
    flatMenus_.SetTooltipText(L"Draw the menus in the flat look");

    for (HICON icon : {quad, mute, audio, layouts})
        ::DestroyIcon(icon);
}

// Both menus are loaded afresh after a change of look, so that Windows measures their items again.
void ExampleDialog::LoadMenus() {
    shortcut_.LoadMenuResource(IDM_EXAMPLE_SHORTCUT);
    // The first popup of the resource drops below the button; its choices come to this dialog.
    layouts_.SetPopupMenu(IDM_EXAMPLE_LAYOUTS, m_hWnd);
}

void ExampleDialog::OnFlatMenus() {
    KalMenu::s_drawStyle = flatMenus_.SendMessageW(BM_GETCHECK) == BST_CHECKED ? 1 : 0;
    LoadMenus();
}

const MessageMap& ExampleDialog::GetMessageMap() const {
    static const MessageMap map(&CDialog::GetMessageMap(),
                                {
                                    OnClicked(IDC_QUAD, &ExampleDialog::OnQuad),
                                    OnClicked(IDC_MUTE, &ExampleDialog::OnMuteClicked),
                                    OnClicked(IDC_FLAT_MENUS, &ExampleDialog::OnFlatMenus),
                                    // Menu commands: notification code 0, like BN_CLICKED.
                                    OnClickedRange(ID_LAYOUT_QUAD, ID_LAYOUT_SINGLE, &ExampleDialog::OnLayout),
                                    OnCommand(ID_AUDIO_MUTE, &ExampleDialog::OnMuteCommand),
                                    OnMessage(WM_CONTEXTMENU, &ExampleDialog::OnContextMenu),
                                    OnMessage(WM_INITMENUPOPUP, &ExampleDialog::OnInitMenuPopup),
                                    OnMenuCharMessage(&ExampleDialog::OnMenuChar),
                                    OnMessage(WM_TIMER, &ExampleDialog::OnTimer),
                                });
    return map;
}

void ExampleDialog::OnContextMenu(UINT, LPARAM position) {
    POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (position == -1) {  // from the keyboard: open at the dialog's top-left corner
        at = POINT{0, 0};
        ::ClientToScreen(m_hWnd, &at);
    }
    ::TrackPopupMenu(shortcut_.GetSubMenuHandle(0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
}

// Check marks are the menu's own item states: set them just before the popup shows.
LRESULT ExampleDialog::OnInitMenuPopup(WPARAM wParam, LPARAM) {
    const auto popup = reinterpret_cast<HMENU>(wParam);
    if (popup != shortcut_.GetSubMenuHandle(0))
        return Default();
    for (UINT id : {ID_LAYOUT_QUAD, ID_LAYOUT_H, ID_LAYOUT_SINGLE})
        ::CheckMenuItem(popup, id, MF_BYCOMMAND | (id == layout_ ? MF_CHECKED : MF_UNCHECKED));
    const bool muted = mute_.SendMessageW(BM_GETCHECK) == BST_CHECKED;
    ::CheckMenuItem(popup, ID_AUDIO_MUTE, MF_BYCOMMAND | (muted ? MF_CHECKED : MF_UNCHECKED));
    return 0;
}

// Windows finds no mnemonics in owner-drawn items: the menu answers the letter keys itself.
LRESULT ExampleDialog::OnMenuChar(UINT character, UINT flags, CMenu* menu) {
    if (menu && KalMenu::s_popupHandles.Find(menu->m_hMenu) >= 0)
        return KalMenu::MatchMenuChar(character, flags, menu);
    return Default();
}

void ExampleDialog::OnQuad() { OnLayout(ID_LAYOUT_QUAD); }

void ExampleDialog::OnLayout(UINT id) {
    static const wchar_t* const names[] = {L"Layout: quad split", L"Layout: H layout", L"Layout: single view"};
    layout_ = id;
    ShowStatus(names[id - ID_LAYOUT_QUAD]);
}

void ExampleDialog::OnMuteCommand() {
    const bool muted = mute_.SendMessageW(BM_GETCHECK) == BST_CHECKED;
    mute_.SendMessageW(BM_SETCHECK, muted ? BST_UNCHECKED : BST_CHECKED);
    OnMuteClicked();
}

void ExampleDialog::OnMuteClicked() {
    ShowStatus(mute_.SendMessageW(BM_GETCHECK) == BST_CHECKED ? L"Sound: muted" : L"Sound: on");
}

void ExampleDialog::ShowStatus(const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, IDC_STATUS, text); }

void ExampleDialog::OnTimer(UINT id, LPARAM) {
    if (id != kCloseTimer)
        return;
    ::KillTimer(m_hWnd, kCloseTimer);
    EndDialog(IDOK);
}
