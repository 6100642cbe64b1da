#include "Startup.h"

#include <windows.h>

#include "Panel.h"
#include "Stopwatch.h"

namespace {

constexpr int kMainWindowControl = 1002;
constexpr double kGiveUpMs = 20000;

// A started process, ended and released with the object.
class Child {
public:
    explicit Child(const std::wstring& exe) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + exe + L"\"";
        started_ = ::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &info_) != FALSE;
    }
    ~Child() {
        if (!started_)
            return;
        ::TerminateProcess(info_.hProcess, 0);
        ::WaitForSingleObject(info_.hProcess, 10000);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return started_; }
    bool Answers() const {
        for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
            DWORD_PTR result = 0;
            if (::GetDlgItem(window, kMainWindowControl) &&
                ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
                return true;
        }
        return false;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

}  // namespace

double TimeStartup(const std::wstring& exe) {
    Stopwatch watch;
    Child child(exe);
    if (!child.Started())
        return -1;
    while (!child.Answers()) {
        if (watch.Ms() > kGiveUpMs)
            return -1;
        ::Sleep(1);
    }
    return watch.Ms();
}
