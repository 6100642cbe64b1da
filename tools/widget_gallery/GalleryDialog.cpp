#include "GalleryDialog.h"

#include "GalleryIds.h"
#include "tools/menu_demo/ScreenShot.h"

namespace {

constexpr UINT_PTR kShotTimer = 1;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

HICON GalleryIcon(int id, int size) {
    return static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// A 24 x 24 picture: a filled circle in colour on the transparent colour.
HBITMAP Disc(COLORREF colour) {
    CClientDC screen(nullptr);
    CDC dc;
    dc.CreateCompatibleDC(&screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen.m_hDC, 24, 24);
    SelectedObject chosen(dc, bitmap);
    dc.FillSolidRect(0, 0, 24, 24, kTransparent);
    CBrush brush(colour);
    SelectedObject brushChosen(dc, brush);
    SelectedObject penChosen(dc, ::GetStockObject(NULL_PEN));
    dc.Ellipse(2, 2, 23, 23);
    return bitmap;
}

}  // namespace

GalleryDialog::GalleryDialog(std::wstring shotPath) : CDialog(IDD_GALLERY), shotPath_(std::move(shotPath)) {}

const MessageMap& GalleryDialog::GetMessageMap() const {
    static const MessageMap map(&CDialog::GetMessageMap(),
                                {
                                    OnClickedRange(IDC_STANDARD, IDC_ICON_DISABLED, &GalleryDialog::OnButton),
                                    {WM_COMMAND, 0, ID_GALLERY_FIRST, ID_GALLERY_THIRD,
                                     [](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {
                                         static_cast<GalleryDialog&>(target).OnMenuChoice(LOWORD(wParam));
                                         return 0;
                                     }},
                                    OnMessage(WM_TIMER, &GalleryDialog::OnTimer),
                                });
    return map;
}

BOOL GalleryDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    const struct {
        int id;
        CButtonVexo* button;
    } buttons[] = {
        {IDC_STANDARD, &standard_},
        {IDC_FLAT, &flat_},
        {IDC_DEFAULT, &default_},
        {IDC_DISABLED, &disabled_},
        {IDC_CHECK, &check_},
        {IDC_ICON_LEFT, &iconLeft_},
        {IDC_ICON_ABOVE, &iconAbove_},
        {IDC_ICON_RIGHT, &iconRight_},
        {IDC_ICON_ONLY, &iconOnly_},
        {IDC_ICON_DISABLED, &iconDisabled_},
        {IDC_BITMAP, &bitmap_},
        {IDC_BITMAP_DISABLED, &bitmapDisabled_},
        {IDC_MENU, &menu_},
        {IDC_LINK, &link_},
        {IDC_COLOURED, &coloured_},
    };
    for (const auto& entry : buttons)
        entry.button->SubclassDlgItem(static_cast<UINT>(entry.id), this);
    SetUpLooks();
    SetUpIcons();
    SetUpBitmaps();
    SetUpActions();
    if (!shotPath_.empty())
        ::SetTimer(m_hWnd, kShotTimer, 500, nullptr);
    return TRUE;
}

void GalleryDialog::SetUpLooks() {
    for (CButtonVexo* button : {&standard_, &default_, &disabled_, &iconDisabled_})
        button->SetFlat(FALSE);
    disabled_.EnableWindow(FALSE);
    iconDisabled_.EnableWindow(FALSE);
    bitmapDisabled_.EnableWindow(FALSE);
    check_.SendMessageW(BM_SETCHECK, BST_CHECKED);
    check_.SetTooltipText(L"A two-state check box: click to toggle");
    flat_.SetTooltipText(L"Flat: a thin border appears while the mouse is over it");
    flat_.SetHoverCursor(::LoadCursorW(nullptr, IDC_HAND));
    coloured_.SetFlat(FALSE);
    coloured_.SetColour(CI_BACK_NORMAL, RGB(40, 90, 160));
    coloured_.SetColour(CI_TEXT_NORMAL, RGB(255, 255, 255));
    coloured_.SetColour(CI_BACK_HOT, RGB(250, 200, 60));
    coloured_.SetColour(CI_TEXT_HOT, RGB(0, 0, 0));
    coloured_.SetColour(CI_BACK_FOCUS, RGB(60, 120, 200));
}

void GalleryDialog::SetUpIcons() {
    const HICON hot = GalleryIcon(IDI_GALLERY_SINGLE, 16);
    const HICON normal = GalleryIcon(IDI_GALLERY_QUAD, 16);
    const HICON big = GalleryIcon(IDI_GALLERY_STANDBY, 16);
    const HICON mute = GalleryIcon(IDI_GALLERY_MUTE, 32);
    iconLeft_.SetIcons(hot, normal);
    iconAbove_.SetIcons(big);
    iconAbove_.SetImagePosition(IMGPOS_ABOVE);
    iconRight_.SetIcons(hot, normal);
    iconRight_.SetImagePosition(IMGPOS_RIGHT);
    iconOnly_.SetIcons(mute);
    iconOnly_.SetTooltipText(L"An icon without a caption");
    iconDisabled_.SetIcons(big);
    for (HICON icon : {hot, normal, big, mute})
        ::DestroyIcon(icon);
}

void GalleryDialog::SetUpBitmaps() {
    const HBITMAP red = Disc(RGB(220, 40, 40));
    const HBITMAP green = Disc(RGB(40, 170, 60));
    bitmap_.SetBitmaps(red, kTransparent, green);
    bitmapDisabled_.SetBitmaps(red, kTransparent);
    ::DeleteObject(red);
    ::DeleteObject(green);
}

void GalleryDialog::SetUpActions() {
    menu_.SetPopupMenu(IDM_GALLERY_POPUP, m_hWnd);
    menu_.SetTooltipText(L"Drops an owner-drawn menu below itself");
    link_.SetLink(L"https://www.example.com/");
    link_.SetHoverCursor(::LoadCursorW(nullptr, IDC_HAND));
    link_.SetTooltipText(L"Opens https://www.example.com/ in the browser");
}

void GalleryDialog::ShowStatus(const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, IDC_STATUS, text); }

void GalleryDialog::OnButton(UINT id) {
    wchar_t caption[64] = {};
    ::GetDlgItemTextW(m_hWnd, static_cast<int>(id), caption, 64);
    std::wstring text = L"Clicked: ";
    text += caption[0] ? caption : L"(icon only)";
    if (id == IDC_CHECK)
        text += check_.SendMessageW(BM_GETCHECK) ? L" (checked)" : L" (not checked)";
    ShowStatus(text.c_str());
}

void GalleryDialog::OnMenuChoice(UINT id) {
    static const wchar_t* const names[] = {L"Chosen from the menu: Quad split", L"Chosen from the menu: H layout",
                                           L"Chosen from the menu: Mute"};
    ShowStatus(names[id - ID_GALLERY_FIRST]);
}

void GalleryDialog::OnTimer(UINT id, LPARAM) {
    if (id != kShotTimer)
        return;
    ::KillTimer(m_hWnd, kShotTimer);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    SaveScreenArea(window, shotPath_);
    EndDialog(IDOK);
}
