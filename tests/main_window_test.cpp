// The shipped program's main window, driven from outside as a user would.
#include "Panel.h"
#include "Wait.h"
#include "doctest.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace {

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* caption;
    LONG style;  // bits that must be set, besides WS_CHILD | WS_VISIBLE
    RECT dialogUnits;
};

constexpr LONG kIconButton = BS_ICON | WS_TABSTOP;
constexpr int kStatic = 0xFFFF;

// Template order is tab and z-order: the children come back from the window in this order.
const std::vector<ExpectedControl> kControls = {
    {1000, L"Button", L"Search", WS_TABSTOP, {27, 15, 42, 18}},
    // The combo box hands WS_VSCROLL on to its drop-down list.
    {1001, L"ComboBox", L"", CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, {82, 18, 47, 30}},
    {1002, L"Button", L"Connect", WS_TABSTOP, {147, 15, 54, 18}},
    {kStatic, L"Button", L"Mode 1", BS_GROUPBOX, {17, 139, 203, 42}},
    {1003, L"Button", L"单画面 1", kIconButton, {65, 151, 25, 22}},
    {1004, L"Button", L"单画面 2", kIconButton, {106, 151, 25, 22}},
    {1005, L"Button", L"单画面 3", kIconButton, {147, 151, 25, 22}},
    {1006, L"Button", L"单画面 4", kIconButton, {188, 151, 25, 22}},
    {kStatic, L"Button", L"Mode 5", BS_GROUPBOX, {17, 303, 203, 42}},
    {1007, L"Button", L"1大3小 ch1", kIconButton, {65, 315, 25, 22}},
    {1008, L"Button", L"1大3小 ch2", kIconButton, {106, 315, 25, 22}},
    {1009, L"Button", L"1大3小 ch3", kIconButton, {147, 315, 25, 22}},
    {1010, L"Button", L"1大3小 ch4", kIconButton, {188, 315, 25, 22}},
    {kStatic, L"Button", L"Mode 4", BS_GROUPBOX, {17, 262, 203, 42}},
    {1011, L"Button", L"2分割通道1 2", kIconButton, {76, 273, 25, 22}},
    {1012, L"Button", L"2分割通道3 4", kIconButton, {127, 273, 25, 22}},
    {1013, L"Button", L"单画面切换", kIconButton, {24, 151, 25, 22}},
    {1014, L"Button", L"2分割切换", kIconButton, {24, 274, 25, 22}},
    {1015, L"Button", L"1大3小切换", kIconButton, {24, 315, 25, 22}},
    {1016, L"Button", L"模式切换", kIconButton, {172, 46, 25, 22}},
    {kStatic, L"Button", L"Mode 2", BS_GROUPBOX, {17, 180, 203, 42}},
    {1017, L"Button", L"分辨率切换", kIconButton, {108, 46, 25, 22}},
    {1018, L"Button", L"4分割", kIconButton, {24, 192, 25, 22}},
    {1019, L"Button", L"H 型", kIconButton, {24, 233, 25, 22}},
    {kStatic, L"Button", L"Audio", BS_GROUPBOX, {10, 80, 215, 41}},
    {1020, L"Button", L"通道1音频", kIconButton, {17, 90, 25, 22}},
    {1021, L"Button", L"通道2音频", kIconButton | BS_FLAT, {59, 90, 25, 22}},
    {1022, L"Button", L"通道3音频", kIconButton, {101, 90, 25, 22}},
    {1023, L"Button", L"通道4音频", kIconButton, {143, 90, 25, 22}},
    {1024, L"Button", L"静音MUTE", kIconButton, {185, 90, 25, 22}},
    {1025, L"Button", L"待机STANDBY", kIconButton, {44, 47, 25, 22}},
    {kStatic, L"Button", L"Mode", BS_GROUPBOX, {10, 126, 215, 226}},
    {kStatic, L"Button", L"Mode 3", BS_GROUPBOX, {17, 221, 204, 42}},
};

std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(hwnd, text, 256);
    return text;
}

// What each command button does, as its tip's second line says it.
const std::map<int, std::wstring> kMeanings = {
    {1003, L"Single screen, input 1"},
    {1004, L"Single screen, input 2"},
    {1005, L"Single screen, input 3"},
    {1006, L"Single screen, input 4"},
    {1007, L"One large (input 1), three small"},
    {1008, L"One large (input 2), three small"},
    {1009, L"One large (input 3), three small"},
    {1010, L"One large (input 4), three small"},
    {1011, L"Two-way split, inputs 1 and 2"},
    {1012, L"Two-way split, inputs 3 and 4"},
    {1013, L"Single-screen switch"},
    {1014, L"Two-way split switch"},
    {1015, L"One-large-three-small switch"},
    {1016, L"Mode switch"},
    {1017, L"Resolution switch"},
    {1018, L"Quad split"},
    {1019, L"\"H\" layout"},
    {1020, L"Audio from input 1"},
    {1021, L"Audio from input 2"},
    {1022, L"Audio from input 3"},
    {1023, L"Audio from input 4"},
    {1024, L"Mute"},
    {1025, L"Standby"},
};

std::wstring CaptionOf(int id) {
    for (const ExpectedControl& control : kControls)
        if (control.id == id)
            return control.caption;
    return L"";
}

// The tip of a button: its caption, then what it does on a line of its own.
std::wstring ExpectedTip(int id) { return CaptionOf(id) + L"\n" + kMeanings.at(id); }

// The text a window of another process says it shows: GetWindowText would give only its title.
std::wstring ShownTextOf(HWND window) {
    wchar_t text[INFOTIPSIZE] = {};
    ::SendMessageW(window, WM_GETTEXT, INFOTIPSIZE, reinterpret_cast<LPARAM>(text));
    return text;
}

// Tooltip controls owned by this window. A child window has no owner, so only popups are found.
std::vector<HWND> TooltipsOwnedBy(HWND owner) {
    std::vector<HWND> found;
    for (HWND tips = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tips;
         tips = ::FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr))
        if (::GetWindow(tips, GW_OWNER) == owner)
            found.push_back(tips);
    return found;
}

// Memory in another process, for the tooltip messages whose arguments are pointers.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size)
        : process_(process),
          address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_)
            ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return address_ != nullptr; }
    // The address, as the other process sees it, of the byte at this offset.
    void* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t size) const {
        return ::WriteProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        return ::ReadProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
    }

private:
    HANDLE process_;
    void* address_;
};

struct ToolSeen {
    HWND window;  // the tool's window, when the tool is a whole window
    std::wstring text;
};

// The tools of a tooltip control in another process, read the way that process would read them:
// the TOOLINFO and the text buffer are in its memory, in its own layout.
std::vector<ToolSeen> ToolsOf(HANDLE process, HWND tips) {
    struct Exchange {
        TTTOOLINFOW tool;
        wchar_t text[INFOTIPSIZE];
    };
    RemoteMemory remote(process, sizeof(Exchange));
    REQUIRE(remote.Valid());
    auto* remoteText = static_cast<wchar_t*>(remote.At(offsetof(Exchange, text)));
    const LPARAM remoteTool = reinterpret_cast<LPARAM>(remote.At(offsetof(Exchange, tool)));

    std::vector<ToolSeen> tools;
    const int count = static_cast<int>(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.lpszText = remoteText;
        REQUIRE(remote.Write(offsetof(Exchange, tool), &tool, sizeof(tool)));
        REQUIRE(::SendMessageW(tips, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), remoteTool) != 0);
        REQUIRE(remote.Read(offsetof(Exchange, tool), &tool, sizeof(tool)));

        // The text by its own request, which names the tool by its window and id.
        tool.lpszText = remoteText;
        const wchar_t empty = L'\0';
        REQUIRE(remote.Write(offsetof(Exchange, tool), &tool, sizeof(tool)));
        REQUIRE(remote.Write(offsetof(Exchange, text), &empty, sizeof(empty)));
        ::SendMessageW(tips, TTM_GETTEXTW, INFOTIPSIZE, remoteTool);
        std::vector<wchar_t> text(INFOTIPSIZE + 1, L'\0');
        REQUIRE(remote.Read(offsetof(Exchange, text), text.data(), INFOTIPSIZE * sizeof(wchar_t)));

        const bool wholeWindow = (tool.uFlags & TTF_IDISHWND) != 0;
        tools.push_back({wholeWindow ? reinterpret_cast<HWND>(tool.uId) : nullptr, text.data()});
    }
    return tools;
}

POINT CentreOf(HWND window) {
    RECT r;
    ::GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Moves the pointer as a mouse would: the move reaches whatever window is under it.
void MovePointerTo(POINT point) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(point.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ::MulDiv(point.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

// Dialog units of the template's font, MS Shell Dlg at 9 points, measured here the way the
// dialog manager measures them (MapDialogRect works only inside the dialog's own process).
SIZE DialogBaseUnits() {
    HDC screen = ::GetDC(nullptr);
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy(font.lfFaceName, L"MS Shell Dlg");
    HFONT handle = ::CreateFontIndirectW(&font);
    HGDIOBJ previous = ::SelectObject(screen, handle);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen, &metrics);
    SIZE alphabet{};
    ::GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &alphabet);
    ::SelectObject(screen, previous);
    ::DeleteObject(handle);
    ::ReleaseDC(nullptr, screen);
    return SIZE{(alphabet.cx / 26 + 1) / 2, metrics.tmHeight};
}

// Position and size are converted each on its own, as the dialog manager does.
RECT ToPixels(RECT units) {
    static const SIZE base = DialogBaseUnits();
    auto x = [](LONG v) { return ::MulDiv(v, base.cx, 4); };
    auto y = [](LONG v) { return ::MulDiv(v, base.cy, 8); };
    return RECT{x(units.left), y(units.top), x(units.left) + x(units.right), y(units.top) + y(units.bottom)};
}

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Moves the focus as Tab would, then types a key there; keys pass the dialog's message loop.
void PressKey(HWND target, WPARAM key) {
    ::SendMessageW(::GetParent(target), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

TEST_CASE("the main window is the fixed dialog of the template, with every control in place") {
    PanelProcess panel;
    HWND window = panel.Window();
    REQUIRE(window != nullptr);

    CHECK(TextOf(window) == L"Quorvex  V1.00");
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    CHECK((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU)) == (WS_POPUP | WS_CAPTION | WS_SYSMENU));
    CHECK((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0);
    CHECK((::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0);

    RECT client;
    ::GetClientRect(window, &client);
    const RECT expectedClient = ToPixels({0, 0, 242, 362});
    CHECK(client.right == expectedClient.right);
    CHECK(client.bottom == expectedClient.bottom);

    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    REQUIRE(children.size() == kControls.size());

    for (size_t i = 0; i < kControls.size(); ++i) {
        const ExpectedControl& expected = kControls[i];
        HWND child = children[i];
        CAPTURE(i);
        CHECK(static_cast<WORD>(::GetDlgCtrlID(child)) == expected.id);
        CHECK(ClassOf(child) == expected.className);
        if (expected.id != 1001)
            CHECK(TextOf(child) == expected.caption);
        const LONG childStyle = ::GetWindowLongW(child, GWL_STYLE);
        CHECK((childStyle & expected.style) == expected.style);
        const RECT expectedRect = ToPixels(expected.dialogUnits);
        const RECT actual = ClientRectOf(child, window);
        CHECK(actual.left == expectedRect.left);
        CHECK(actual.top == expectedRect.top);
        CHECK(actual.right - actual.left == expectedRect.right - expectedRect.left);
        if (expected.id != 1001)  // a drop-down list sizes itself to one line
            CHECK(actual.bottom - actual.top == expectedRect.bottom - expectedRect.top);
        // Only 1021 is flat.
        if (expected.id >= 1003 && expected.id <= 1025)
            CHECK(((childStyle & BS_FLAT) != 0) == (expected.id == 1021));
    }

    SUBCASE("at start Connect is disabled, the list is empty, everything else answers") {
        CHECK_FALSE(panel.Enabled(1002));
        CHECK(panel.PortListEntries().empty());
        for (int id = 1003; id <= 1025; ++id)
            CHECK(panel.Enabled(id));
        CHECK(panel.Enabled(1000));
        CHECK(panel.Enabled(1001));
        for (int id = 1003; id <= 1025; ++id)
            CHECK(::SendMessageW(panel.Control(id), BM_GETIMAGE, IMAGE_ICON, 0) != 0);
    }
}

TEST_CASE("the About box opens from the system menu and returns to the main window") {
    PanelProcess panel;
    REQUIRE(panel.Window() != nullptr);

    for (int round = 0; round < 2; ++round) {
        CAPTURE(round);
        ::PostMessageW(panel.Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = nullptr;
        REQUIRE(WaitUntil([&] { return (about = panel.FindWindowByCaption(L"关于 Quorvex")) != nullptr; }));
        CHECK(TextOf(::GetDlgItem(about, IDOK)) == L"确定");
        CHECK_FALSE(::IsWindowEnabled(panel.Window()));  // modal to the main window
        if (round == 0)
            ::PostMessageW(::GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        else
            ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(WaitUntil([&] { return !::IsWindow(about); }));
        CHECK(WaitUntil([&] { return ::IsWindowEnabled(panel.Window()) != FALSE; }));
    }
    CHECK_FALSE(panel.WaitForExit(0));
}

TEST_CASE("Escape closes the program, and so does Enter on the port list") {
    SUBCASE("Escape") {
        PanelProcess panel;
        REQUIRE(panel.Window() != nullptr);
        PressKey(panel.Control(1000), VK_ESCAPE);
        CHECK(panel.WaitForExit(10000));
    }
    SUBCASE("Enter on the port list") {
        PanelProcess panel;
        REQUIRE(panel.Window() != nullptr);
        PressKey(panel.Control(1001), VK_RETURN);
        CHECK(panel.WaitForExit(10000));
    }
    SUBCASE("Enter on a push button presses it instead") {
        PanelProcess panel;
        REQUIRE(panel.Window() != nullptr);
        PressKey(panel.Control(1003), VK_RETURN);
        const MessageBoxSeen box = panel.WaitForMessageBox();
        CHECK(box.text == L"Opening COM failed!");
        panel.Dismiss(box);
        CHECK_FALSE(panel.WaitForExit(0));
    }
}

TEST_CASE("every command button has a tip with its caption and, on a second line, what it does") {
    PanelProcess panel;
    REQUIRE(panel.Window() != nullptr);

    const std::vector<HWND> tooltips = TooltipsOwnedBy(panel.Window());
    REQUIRE(tooltips.size() == 1);
    HWND tips = tooltips[0];
    CHECK((::GetWindowLongW(tips, GWL_STYLE) & (WS_POPUP | WS_CHILD)) == WS_POPUP);

    const std::vector<ToolSeen> tools = ToolsOf(panel.Process(), tips);
    CHECK(tools.size() == kMeanings.size());
    std::map<int, std::wstring> tipOfButton;
    for (const ToolSeen& tool : tools) {
        REQUIRE(tool.window != nullptr);
        CHECK(::GetParent(tool.window) == panel.Window());
        tipOfButton[::GetDlgCtrlID(tool.window)] = tool.text;
    }
    for (const auto& [id, meaning] : kMeanings) {
        CAPTURE(id);
        REQUIRE(tipOfButton.count(id) == 1);
        CHECK(tipOfButton[id] == ExpectedTip(id));
    }
    // Windows draws a tip without a maximum width on one line, line feed and all; Wine breaks it
    // there either way, so the control is asked.
    CHECK(::SendMessageW(tips, TTM_GETMAXTIPWIDTH, 0, 0) > 0);

    SUBCASE("hovering a button shows its tip until the pointer leaves") {
        // A shown tip also hides by itself after its auto-pop time: only a hide well inside that time
        // is the pointer's doing.
        const auto autoPopMs = static_cast<DWORD>(::SendMessageW(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
        REQUIRE(autoPopMs >= 1000);
        // A spot of the dialog that no control covers.
        POINT away{4, 4};
        ::ClientToScreen(panel.Window(), &away);
        MovePointerTo(away);
        CHECK(WaitUntil([&] { return !::IsWindowVisible(tips); }));
        for (int id : {1018, 1025}) {
            CAPTURE(id);
            MovePointerTo(CentreOf(panel.Control(id)));
            REQUIRE(WaitUntil([&] { return ::IsWindowVisible(tips) && ShownTextOf(tips) == ExpectedTip(id); }));
            MovePointerTo(away);
            CHECK(WaitUntil([&] { return !::IsWindowVisible(tips); }, autoPopMs / 4));
        }
    }
}
