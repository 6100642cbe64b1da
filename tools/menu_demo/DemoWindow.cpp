#include "DemoWindow.h"

#include <algorithm>

#include "DemoIds.h"
#include "ScreenShot.h"
#include "framework/Dc.h"

namespace {

constexpr UINT WM_START_SHOT = WM_APP + 1;
const wchar_t kClassName[] = L"QuorvexMenuDemo";

// The keys that walk from the opened menu to the first item of its "Audio source" submenu.
const WPARAM kWalkKeys[] = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT};

struct ItemImage {
    UINT command;
    UINT icon;
};
const ItemImage kItemImages[] = {
    {ID_DEMO_SINGLE, IDI_DEMO_SINGLE}, {ID_DEMO_QUAD, IDI_DEMO_QUAD},       {ID_DEMO_H_LAYOUT, IDI_DEMO_H_LAYOUT},
    {ID_DEMO_MUTE, IDI_DEMO_MUTE},     {ID_DEMO_STANDBY, IDI_DEMO_STANDBY}, {ID_DEMO_AUDIO_1, IDI_DEMO_AUDIO},
};

KalMenuData* FindRecord(KalMenu& menu, UINT_PTR command) {
    for (int index = 0; index < menu.m_itemData.GetSize(); ++index)
        if (menu.m_itemData[index]->commandId == command)
            return menu.m_itemData[index];
    for (int index = 0; index < menu.m_subMenus.GetSize(); ++index) {
        CMenu* sub = CMenu::FromHandlePermanent(menu.m_subMenus[index]);
        if (sub && sub->IsKindOf(RuntimeClassOf<KalMenu>()))
            if (KalMenuData* found = FindRecord(*static_cast<KalMenu*>(sub), command))
                return found;
    }
    return nullptr;
}

// Gives the item its own one-image list; the record owns and deletes it.
void AttachImage(KalMenuData& record, HINSTANCE instance, UINT icon, const KalMenu& menu) {
    auto* list = new CImageList;
    list->Create(menu.m_imageWidth, menu.m_imageHeight, ILC_COLOR24 | ILC_MASK, 1, 1);
    HICON loaded = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, 0));
    list->Add(loaded);
    ::DestroyIcon(loaded);
    delete record.imageList;
    record.imageList = list;
    record.imageIndex = 0;
    record.ownImage = 0;
}

}  // namespace

BOOL DemoWindow::Create(HINSTANCE instance, const wchar_t* title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);
    HWND hwnd = ::CreateWindowExW(0, kClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 520, 360, nullptr, nullptr, instance,
                                  nullptr);
    if (!hwnd || !SubclassWindow(hwnd))
        return FALSE;
    LoadDemoMenu(instance);
    ::ShowWindow(hwnd, SW_SHOW);
    if (!shotPath_.empty())
        PostMessageW(WM_START_SHOT);
    return TRUE;
}

void DemoWindow::LoadDemoMenu(HINSTANCE instance) {
    menu_.LoadMenuResource(IDR_DEMO_MENU);
    for (const ItemImage& image : kItemImages)
        if (KalMenuData* record = FindRecord(menu_, image.command))
            AttachImage(*record, instance, image.icon, menu_);
}

const MessageMap& DemoWindow::GetMessageMap() const {
    static const MessageMap map(&CWnd::GetMessageMap(), {
                                                            OnMessage(WM_CONTEXTMENU, &DemoWindow::OnContextMenu),
                                                            OnMessage(WM_PAINT, &DemoWindow::OnPaint),
                                                            OnMessage(WM_MENUCHAR, &DemoWindow::OnMenuChar),
                                                            OnMessage(WM_ENTERIDLE, &DemoWindow::OnEnterIdle),
                                                            OnMessage(WM_START_SHOT, &DemoWindow::OnStartShot),
                                                            OnCommand(ID_DEMO_EXIT, &DemoWindow::OnExit),
                                                        });
    return map;
}

void DemoWindow::OpenMenu(POINT at) {
    ::TrackPopupMenu(menu_.GetSubMenuHandle(0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd,
                     nullptr);
}

void DemoWindow::OnContextMenu(UINT, LPARAM position) {
    OpenMenu(POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))});
}

void DemoWindow::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(L"Right-click for the menu", client, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void DemoWindow::OnExit() { ::DestroyWindow(m_hWnd); }

LRESULT DemoWindow::OnMenuChar(WPARAM wParam, LPARAM lParam) {
    auto* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lParam));
    if (!menu || KalMenu::s_popupHandles.Find(menu->m_hMenu) < 0)
        return Default();
    return KalMenu::MatchMenuChar(LOWORD(wParam), HIWORD(wParam), menu);
}

LRESULT DemoWindow::OnStartShot(WPARAM, LPARAM) {
    OpenMenu(POINT{40, 40});
    ::DestroyWindow(m_hWnd);
    return 0;
}

// The menu loop is idle: the last key has been handled and the menus are drawn.
LRESULT DemoWindow::OnEnterIdle(WPARAM wParam, LPARAM) {
    if (shotPath_.empty() || wParam != MSGF_MENU)
        return 0;
    if (keysSent_ < static_cast<int>(sizeof kWalkKeys / sizeof kWalkKeys[0])) {
        PostMessageW(WM_KEYDOWN, kWalkKeys[keysSent_++], 0);
        return 0;
    }
    ::RedrawWindow(nullptr, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT area = VisibleMenusArea();
    ::InflateRect(&area, 12, 12);
    area.left = std::max(0L, area.left);
    area.top = std::max(0L, area.top);
    SaveScreenArea(area, shotPath_);
    ::EndMenu();
    return 0;
}
