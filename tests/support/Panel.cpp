#include "Panel.h"

#include "PanelTrouble.h"
#include "Wait.h"

#include <cstdlib>
#include <string>

namespace {

// A message to a control of the program, bounded: a hung or crashed program fails the step.
LRESULT Ask(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(control, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        ReportPanelTrouble("the program did not answer message " + std::to_string(message));
    return static_cast<LRESULT>(result);
}

}  // namespace

std::wstring PanelExePath() {
    const wchar_t* path = _wgetenv(L"QUORVEX_EXE");
    return path ? path : L"Quorvex.exe";
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {  // CALLBACK: stdcall on 32-bit
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if ((owner == s->processId || s->processId == 0) && ::IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

PanelProcess::PanelProcess(const std::wstring& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
        return;
    WaitUntil(
        [this] {
            for (HWND hwnd : TopLevelWindowsOf(info_.dwProcessId))
                if (::GetDlgItem(hwnd, 1002)) {
                    window_ = hwnd;
                    return true;
                }
            return false;
        },
        20000);
}

PanelProcess::PanelProcess(AlreadyRunning, DWORD timeoutMs) {
    WaitUntil(
        [this] {
            for (HWND hwnd : TopLevelWindowsOf(0))
                if (::GetDlgItem(hwnd, 1002)) {
                    window_ = hwnd;
                    return true;
                }
            return false;
        },
        timeoutMs);
    if (!window_)
        return;
    ::GetWindowThreadProcessId(window_, &info_.dwProcessId);
    info_.hProcess =
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info_.dwProcessId);
}

PanelProcess::~PanelProcess() {
    if (info_.hProcess) {
        if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(info_.hProcess, 99);
            ::WaitForSingleObject(info_.hProcess, 5000);
        }
        if (info_.hThread)
            ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
}

void PanelProcess::Click(int id) const {
    // BM_CLICK is what a click on the button turns into; sent, so it is handled on return.
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result))
        return;
    // The press has not come back: most likely a message box of the program holds it. Close the
    // box, so the test goes on to its next step, and say what it showed.
    const MessageBoxSeen box = WaitForMessageBox(0);
    ReportPanelTrouble("the press of control " + std::to_string(id) + " did not return; message box: " +
                       (box.window ? "\"" + Utf8(box.text) + "\"" : std::string("none")));
    if (box.window)
        Dismiss(box);
}

void PanelProcess::ClickAsync(int id) const { ::PostMessageW(Control(id), BM_CLICK, 0, 0); }

void PanelProcess::PressKey(int id, WPARAM key) const {
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
    ::PostMessageW(Control(id), WM_KEYDOWN, key, 1);
    ::PostMessageW(Control(id), WM_KEYUP, key, 0xC0000001);
}

std::wstring PanelProcess::Text(int id) const {
    wchar_t text[256] = {};
    ::GetWindowTextW(Control(id), text, 256);
    return text;
}

std::vector<std::wstring> PanelProcess::PortListEntries() const {
    std::vector<std::wstring> entries;
    HWND list = Control(1001);
    const int count = static_cast<int>(Ask(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        Ask(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

void PanelProcess::SelectPort(const std::wstring& entry) const {
    Ask(Control(1001), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
}

MessageBoxSeen PanelProcess::WaitForMessageBox(DWORD timeoutMs) const {
    MessageBoxSeen seen;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopLevelWindowsOf(info_.dwProcessId)) {
                wchar_t className[64] = {};
                ::GetClassNameW(hwnd, className, 64);
                HWND textControl = ::GetDlgItem(hwnd, 0xFFFF);
                if (hwnd == window_ || std::wstring(className) != L"#32770" || !textControl)
                    continue;
                wchar_t caption[256] = {};
                wchar_t text[512] = {};
                ::GetWindowTextW(hwnd, caption, 256);
                ::GetWindowTextW(textControl, text, 512);
                seen = MessageBoxSeen{hwnd, caption, text};
                return true;
            }
            return false;
        },
        timeoutMs);
    return seen;
}

void PanelProcess::Dismiss(const MessageBoxSeen& box) const {
    ::PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !::IsWindow(box.window); });
}

HWND PanelProcess::FindWindowByCaption(const std::wstring& caption) const {
    for (HWND hwnd : TopLevelWindowsOf(info_.dwProcessId)) {
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        if (hwnd != window_ && caption == text)
            return hwnd;
    }
    return nullptr;
}

bool PanelProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!info_.hProcess || ::WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        ::GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

const ButtonFrame kButtonFrames[23] = {
    {1003, {0x47, 0x45, 0x46, 0x67, 0x0A}}, {1004, {0x47, 0x45, 0x45, 0x67, 0x0A}},
    {1005, {0x47, 0x45, 0x44, 0x67, 0x0A}}, {1006, {0x47, 0x45, 0x43, 0x67, 0x0A}},
    {1007, {0x47, 0x45, 0x38, 0x67, 0x0A}}, {1008, {0x47, 0x45, 0x37, 0x67, 0x0A}},
    {1009, {0x47, 0x45, 0x36, 0x67, 0x0A}}, {1010, {0x47, 0x45, 0x35, 0x67, 0x0A}},
    {1011, {0x47, 0x45, 0x42, 0x67, 0x0A}}, {1012, {0x47, 0x45, 0x41, 0x67, 0x0A}},
    {1013, {0x47, 0x35, 0x35, 0x67, 0x0A}}, {1014, {0x47, 0x43, 0x43, 0x67, 0x0A}},
    {1015, {0x47, 0x39, 0x46, 0x67, 0x0A}}, {1016, {0x47, 0x39, 0x38, 0x67, 0x0A}},
    {1017, {0x47, 0x44, 0x42, 0x67, 0x0A}}, {1018, {0x47, 0x44, 0x46, 0x67, 0x0A}},
    {1019, {0x47, 0x44, 0x39, 0x67, 0x0A}}, {1020, {0x47, 0x43, 0x38, 0x67, 0x0A}},
    {1021, {0x47, 0x43, 0x30, 0x67, 0x0A}}, {1022, {0x47, 0x39, 0x39, 0x67, 0x0A}},
    {1023, {0x47, 0x43, 0x36, 0x67, 0x0A}}, {1024, {0x47, 0x38, 0x38, 0x67, 0x0A}},
    {1025, {0x47, 0x44, 0x45, 0x67, 0x0A}},
};
