// CButtonVexo's behaviour on real button windows of a real dialog: attachment, default-button
// tracking, check state, presses, hover, disabling, the popup menu, the link and the tooltip.
#include <string>

#include "button_support/ButtonDialog.h"
#include "button_test_ids.h"
#include "doctest.h"

namespace {

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(window, message, wParam, lParam);
}

POINT Centre(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return {client.right / 2, client.bottom / 2};
}

LPARAM PointParam(POINT point) { return MAKELPARAM(point.x, point.y); }

void MoveRealCursorOnto(HWND window) {
    POINT centre = Centre(window);
    ::ClientToScreen(window, &centre);
    ::SetCursorPos(centre.x, centre.y);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// Records what a tooltip window is sent, through a thread hook.
struct TooltipActivations {
    static int inactive;
    static int active;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == TTM_ACTIVATE)
            ++(sent->wParam ? active : inactive);
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
};
int TooltipActivations::inactive = 0;
int TooltipActivations::active = 0;

// Drives the popup menu from inside its own loop: a timer fires there and sends it the keys
// armed for it. A menu that nothing closes (none armed, or the keys failed) would hold the test in
// its loop for good: after a second the timer ends it and counts it.
struct MenuDriver {
    static std::vector<WPARAM> keys;
    static BOOL sawMenuOpen;
    static ProbeButton* button;
    static int leftOpen;
    static DWORD armedAt;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        const HWND menu = ::FindWindowW(L"#32768", nullptr);
        if (!menu || !::IsWindowVisible(menu))
            return;
        if (!keys.empty()) {
            sawMenuOpen = button && button->m_bMenuOpen;
            for (WPARAM key : keys)
                ::PostMessageW(menu, WM_KEYDOWN, key, 0);
            keys.clear();
        } else if (::GetTickCount() - armedAt > 1000) {
            ++leftOpen;
            ::EndMenu();
        }
    }
    static void Arm(ProbeButton& target, std::vector<WPARAM> sequence) {
        button = &target;
        keys = std::move(sequence);
        sawMenuOpen = FALSE;
    }
};
std::vector<WPARAM> MenuDriver::keys;
BOOL MenuDriver::sawMenuOpen = FALSE;
ProbeButton* MenuDriver::button = nullptr;
int MenuDriver::leftOpen = 0;
DWORD MenuDriver::armedAt = 0;

// A click, with the menu driver watching for the popup menu it may open.
void Click(HWND button, UINT downMessage = WM_LBUTTONDOWN) {
    const int leftOpenBefore = MenuDriver::leftOpen;
    MenuDriver::armedAt = ::GetTickCount();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &MenuDriver::OnTimer);
    const LPARAM at = PointParam(Centre(button));
    Send(button, downMessage, MK_LBUTTON, at);
    Send(button, WM_LBUTTONUP, 0, at);
    ::KillTimer(nullptr, timer);
    MenuDriver::keys.clear();
    MenuDriver::button = nullptr;
    CHECK_MESSAGE(MenuDriver::leftOpen == leftOpenBefore, "the click left a popup menu open; it was closed");
}

std::wstring LinkMarkPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"button_link_mark.exe";
}

}  // namespace

TEST_CASE("attachment turns the button owner-drawn and decides check-box mode by one style bit") {
    ButtonDialog dialog(IDD_BUTTONS);
    struct Case {
        int id;
        BOOL checkMode;
    };
    const Case cases[] = {{IDC_AUTOCHECK, TRUE}, {IDC_GROUP, TRUE}, {IDC_OWNERDRAW, TRUE},
                          {IDC_RADIO, FALSE},    {IDC_PUSH, FALSE}, {IDC_DEFAULT, FALSE}};
    for (const Case& c : cases) {
        CAPTURE(c.id);
        ProbeButton button;
        REQUIRE(button.SubclassDlgItem(c.id, &dialog));
        CHECK(button.m_bCheckMode == c.checkMode);
        CHECK((::GetWindowLongW(button.m_hWnd, GWL_STYLE) & 0x1F) == BS_OWNERDRAW);

        Send(button.m_hWnd, BM_SETCHECK, BST_INDETERMINATE);
        CHECK(Send(button.m_hWnd, BM_GETCHECK) == (c.checkMode ? 1 : 0));
        Send(button.m_hWnd, BM_SETCHECK, BST_UNCHECKED);
        CHECK(Send(button.m_hWnd, BM_GETCHECK) == 0);
        Send(button.m_hWnd, BM_SETCHECK, BST_CHECKED);
        CHECK(Send(button.m_hWnd, BM_GETCHECK) == (c.checkMode ? 1 : 0));
        Send(button.m_hWnd, BM_SETCHECK, 7);
        CHECK(Send(button.m_hWnd, BM_GETCHECK) == 0);
    }
}

TEST_CASE("the default-button state follows BM_SETSTYLE and shows in the dialog code") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton defaultButton;
    ProbeButton push;
    REQUIRE(defaultButton.SubclassDlgItem(IDC_DEFAULT, &dialog));
    REQUIRE(push.SubclassDlgItem(IDC_PUSH, &dialog));
    CHECK((Send(defaultButton.m_hWnd, WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON) != 0);
    CHECK((Send(push.m_hWnd, WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON) != 0);
    CHECK((Send(push.m_hWnd, WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON) == 0);

    SUBCASE("set directly") {
        Send(defaultButton.m_hWnd, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        CHECK_FALSE(defaultButton.m_bDefaultButton);
        CHECK((Send(defaultButton.m_hWnd, WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON) != 0);
        CHECK((::GetWindowLongW(defaultButton.m_hWnd, GWL_STYLE) & 0x1F) == BS_OWNERDRAW);
        Send(defaultButton.m_hWnd, BM_SETSTYLE, BS_AUTOCHECKBOX, TRUE);  // neither type: no change
        CHECK_FALSE(defaultButton.m_bDefaultButton);
        Send(defaultButton.m_hWnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        CHECK(defaultButton.m_bDefaultButton);
        Send(defaultButton.m_hWnd, BM_SETSTYLE, BS_RADIOBUTTON, TRUE);
        CHECK(defaultButton.m_bDefaultButton);
        CHECK((::GetWindowLongW(defaultButton.m_hWnd, GWL_STYLE) & 0x1F) == BS_OWNERDRAW);
    }
    SUBCASE("moved by the dialog manager") {
        Send(dialog.m_hWnd, DM_SETDEFID, IDC_PUSH);
        CHECK(push.m_bDefaultButton);
        CHECK_FALSE(defaultButton.m_bDefaultButton);
        CHECK((::GetWindowLongW(push.m_hWnd, GWL_STYLE) & 0x1F) == BS_OWNERDRAW);
    }
}

TEST_CASE("clicks reach the parent, a double click is a second press, and a check box toggles") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton push;
    ProbeButton check;
    REQUIRE(push.SubclassDlgItem(IDC_PUSH, &dialog));
    REQUIRE(check.SubclassDlgItem(IDC_AUTOCHECK, &dialog));

    Click(push.m_hWnd);
    Click(push.m_hWnd, WM_LBUTTONDBLCLK);
    CHECK(dialog.CommandCount(IDC_PUSH, BN_CLICKED) == 2);
    CHECK(::GetFocus() == push.m_hWnd);

    Click(check.m_hWnd);
    CHECK(Send(check.m_hWnd, BM_GETCHECK) == 1);
    Click(check.m_hWnd, WM_LBUTTONDBLCLK);
    CHECK(Send(check.m_hWnd, BM_GETCHECK) == 0);
    CHECK(dialog.CommandCount(IDC_AUTOCHECK, BN_CLICKED) == 2);
}

TEST_CASE("hover follows the mouse over a flat button only") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton button;
    REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
    const HWND hwnd = button.m_hWnd;
    MoveRealCursorOnto(hwnd);
    const LPARAM inside = PointParam(Centre(hwnd));
    RECT other{};
    ::GetWindowRect(dialog.Item(IDC_PLAIN), &other);
    POINT overOther{other.left + 5, other.top + 5};
    ::ScreenToClient(hwnd, &overOther);

    SUBCASE("entering and leaving") {
        Send(hwnd, WM_MOUSEMOVE, 0, inside);
        CHECK(button.m_bHover);
        Send(hwnd, WM_MOUSEMOVE, 0, PointParam(overOther));
        CHECK_FALSE(button.m_bHover);
        const UINT leaving[] = {WM_MOUSELEAVE, WM_KILLFOCUS, WM_CANCELMODE};
        for (UINT message : leaving) {
            Send(hwnd, WM_MOUSEMOVE, 0, inside);
            REQUIRE(button.m_bHover);
            Send(hwnd, message);
            CHECK_FALSE(button.m_bHover);
        }
        Send(hwnd, WM_MOUSEMOVE, 0, inside);
        Send(hwnd, WM_ACTIVATE, WA_INACTIVE);
        CHECK_FALSE(button.m_bHover);
    }
    SUBCASE("a press that began elsewhere does not make it hot, but a hot button stays hot while pressed") {
        Send(hwnd, WM_MOUSEMOVE, MK_LBUTTON, inside);
        CHECK_FALSE(button.m_bHover);
        Send(hwnd, WM_MOUSEMOVE, 0, inside);
        Send(hwnd, WM_MOUSEMOVE, MK_LBUTTON, inside);
        CHECK(button.m_bHover);
    }
    SUBCASE("a standard button never hovers") {
        button.SetFlat(FALSE);
        Send(hwnd, WM_MOUSEMOVE, 0, inside);
        CHECK_FALSE(button.m_bHover);
    }
    SUBCASE("the mouse really leaving ends the hover through the requested WM_MOUSELEAVE") {
        Send(hwnd, WM_MOUSEMOVE, 0, inside);
        REQUIRE(button.m_bHover);
        ::SetCursorPos(1000, 700);
        CHECK(dialog.PumpUntil([&] { return !button.m_bHover; }));
    }
}

TEST_CASE("an inactive application hovers only when the button tracks while inactive") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton button;
    REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
    MoveRealCursorOnto(button.m_hWnd);
    const LPARAM inside = PointParam(Centre(button.m_hWnd));

    // Another thread's window takes the activation away from this thread.
    struct Other {
        HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HWND window = nullptr;
        static DWORD WINAPI Run(void* self) {
            auto* other = static_cast<Other*>(self);
            other->window = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 600, 500, 80, 40, nullptr,
                                              nullptr, nullptr, nullptr);
            ::SetEvent(other->ready);
            MSG msg;
            while (::MsgWaitForMultipleObjects(1, &other->done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    ::DispatchMessageW(&msg);
            ::DestroyWindow(other->window);
            return 0;
        }
    } other;
    const HANDLE thread = ::CreateThread(nullptr, 0, &Other::Run, &other, 0, nullptr);
    REQUIRE(thread);
    REQUIRE(::WaitForSingleObject(other.ready, 10000) == WAIT_OBJECT_0);
    ::SetForegroundWindow(other.window);
    CHECK(dialog.PumpUntil([] { return ::GetActiveWindow() == nullptr; }));

    button.SetTrackInactive(FALSE);
    Send(button.m_hWnd, WM_MOUSEMOVE, 0, inside);
    CHECK_FALSE(button.m_bHover);
    button.SetTrackInactive(TRUE);
    Send(button.m_hWnd, WM_MOUSEMOVE, 0, inside);
    CHECK(button.m_bHover);

    ::SetEvent(other.done);
    CHECK(::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
    ::CloseHandle(thread);
    ::CloseHandle(other.ready);
    ::CloseHandle(other.done);
}

TEST_CASE("disabling moves the focus on, or to the parent when no tab stop is left") {
    SUBCASE("the next tab stop") {
        ButtonDialog dialog(IDD_BUTTONS);
        ProbeButton button;
        REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
        Send(button.m_hWnd, WM_MOUSEMOVE, 0, PointParam(Centre(button.m_hWnd)));
        ::SetFocus(button.m_hWnd);
        ::EnableWindow(button.m_hWnd, FALSE);
        CHECK(::GetFocus() == dialog.Item(IDC_DEFAULT));
        CHECK_FALSE(button.m_bHover);
    }
    SUBCASE("the parent") {
        ButtonDialog dialog(IDD_LONE_BUTTON);
        ProbeButton button;
        REQUIRE(button.SubclassDlgItem(IDC_LONE, &dialog));
        ::SetFocus(button.m_hWnd);
        ::EnableWindow(button.m_hWnd, FALSE);
        CHECK(::GetFocus() == dialog.m_hWnd);
    }
}

TEST_CASE("the hover cursor is shown over the button") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton button;
    REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
    CHECK(Send(button.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(button.m_hWnd),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) == FALSE);
    REQUIRE(button.SetHoverCursor(::LoadCursorW(nullptr, IDC_CROSS)));
    CHECK(Send(button.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(button.m_hWnd),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) == TRUE);
    CHECK(::GetCursor() == button.m_hHoverCursor);
}

TEST_CASE("a popup-menu choice posts one WM_COMMAND to the target, a dismissal none") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton button;
    REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
    REQUIRE(button.SetPopupMenu(IDM_BUTTON_POPUP, dialog.m_hWnd));

    SUBCASE("choice") {
        MenuDriver::Arm(button, {VK_DOWN, VK_DOWN, VK_RETURN});
        Click(button.m_hWnd);
        CHECK(MenuDriver::sawMenuOpen);
        CHECK_FALSE(button.m_bMenuOpen);
        dialog.Pump();
        CHECK(dialog.CommandCount(ID_POPUP_SECOND, 0) == 1);
        CHECK(dialog.CommandCount(ID_POPUP_FIRST, 0) == 0);
    }
    SUBCASE("dismissal") {
        MenuDriver::Arm(button, {VK_ESCAPE});
        Click(button.m_hWnd);
        CHECK(MenuDriver::sawMenuOpen);
        dialog.Pump();
        CHECK(dialog.CommandCount(ID_POPUP_FIRST, 0) == 0);
        CHECK(dialog.CommandCount(ID_POPUP_SECOND, 0) == 0);
    }
    CHECK(dialog.CommandCount(IDC_PUSH, BN_CLICKED) == 1);
}

TEST_CASE("a link opens through the shell, unless the button is a check box or has a menu") {
    const HANDLE mark = ::CreateSemaphoreW(nullptr, 0, 10, L"QuorvexButtonLinkMark");
    REQUIRE(mark);
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton check;
    ProbeButton menuButton;
    ProbeButton linkButton;
    REQUIRE(check.SubclassDlgItem(IDC_AUTOCHECK, &dialog));
    REQUIRE(menuButton.SubclassDlgItem(IDC_PUSH, &dialog));
    REQUIRE(linkButton.SubclassDlgItem(IDC_PLAIN, &dialog));
    const std::wstring link = LinkMarkPath();
    for (ProbeButton* button : {&check, &menuButton, &linkButton})
        REQUIRE(button->SetLink(link.c_str()));
    REQUIRE(check.SetPopupMenu(IDM_BUTTON_POPUP, dialog.m_hWnd));
    REQUIRE(menuButton.SetPopupMenu(IDM_BUTTON_POPUP, dialog.m_hWnd));

    Click(check.m_hWnd);
    CHECK(Send(check.m_hWnd, BM_GETCHECK) == 1);
    MenuDriver::Arm(menuButton, {VK_ESCAPE});
    Click(menuButton.m_hWnd);
    CHECK(MenuDriver::sawMenuOpen);
    Click(linkButton.m_hWnd);

    // ShellExecuteEx has created every process it was going to before the clicks returned.
    CHECK(::WaitForSingleObject(mark, 20000) == WAIT_OBJECT_0);
    CHECK(::WaitForSingleObject(mark, 3000) == WAIT_TIMEOUT);
    CHECK(dialog.CommandCount(IDC_AUTOCHECK, BN_CLICKED) == 1);
    CHECK(dialog.CommandCount(IDC_PUSH, BN_CLICKED) == 1);
    CHECK(dialog.CommandCount(IDC_PLAIN, BN_CLICKED) == 1);
    ::CloseHandle(mark);
}

TEST_CASE("a link longer than a path is refused and the old one kept") {
    ProbeButton button;
    REQUIRE(button.SetLink(L"a.exe"));
    const std::wstring tooLong(MAX_PATH, L'x');
    CHECK_FALSE(button.SetLink(tooLong.c_str()));
    REQUIRE(button.SetLink(std::wstring(MAX_PATH - 1, L'y').c_str()));
}

TEST_CASE("the tooltip is created inactive by the first message that passes the button") {
    ButtonDialog dialog(IDD_BUTTONS);
    ProbeButton button;
    REQUIRE(button.SubclassDlgItem(IDC_PUSH, &dialog));
    CHECK_FALSE(button.m_tooltip.m_hWnd);

    const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &TooltipActivations::Hook, nullptr, ::GetCurrentThreadId());
    REQUIRE(hook);
    TooltipActivations::inactive = TooltipActivations::active = 0;
    ::PostMessageW(button.m_hWnd, WM_NULL, 0, 0);
    dialog.Pump();
    ::UnhookWindowsHookEx(hook);

    const HWND tip = button.m_tooltip.m_hWnd;
    REQUIRE(tip);
    CHECK(::IsWindow(tip));
    CHECK(ClassOf(tip) == TOOLTIPS_CLASSW);
    CHECK(Send(tip, TTM_GETMAXTIPWIDTH) == 400);
    CHECK(Send(tip, TTM_GETTOOLCOUNT) == 0);
    CHECK(TooltipActivations::inactive == 1);
    CHECK(TooltipActivations::active == 0);

    ::PostMessageW(button.m_hWnd, WM_NULL, 0, 0);
    dialog.Pump();
    CHECK(button.m_tooltip.m_hWnd == tip);

    REQUIRE(button.SetTooltipText(L"Says hello"));
    CHECK(Send(tip, TTM_GETTOOLCOUNT) == 1);
}
