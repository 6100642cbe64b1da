#include "Panel.h"

#include "Wait.h"

#include <cstdlib>

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
            if (owner == s->processId && ::IsWindowVisible(hwnd))
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
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info_))
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

PanelProcess::~PanelProcess() {
    if (info_.hProcess) {
        if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(info_.hProcess, 99);
            ::WaitForSingleObject(info_.hProcess, 5000);
        }
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
}

void PanelProcess::Click(int id) const {
    // BM_CLICK is what a click on the button turns into; sent, so it is handled on return.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result);
}

void PanelProcess::ClickAsync(int id) const { ::PostMessageW(Control(id), BM_CLICK, 0, 0); }

std::wstring PanelProcess::Text(int id) const {
    wchar_t text[256] = {};
    ::GetWindowTextW(Control(id), text, 256);
    return text;
}

std::vector<std::wstring> PanelProcess::PortListEntries() const {
    std::vector<std::wstring> entries;
    HWND list = Control(1001);
    const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

void PanelProcess::SelectPort(const std::wstring& entry) const {
    ::SendMessageW(Control(1001), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
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
