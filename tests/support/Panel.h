// The shipped Quorvex.exe, run and driven as a user would: its window, its controls, its
// message boxes. The process is ended by its handle when the object goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The exe under test: QUORVEX_EXE from the environment (set by CTest).
std::wstring PanelExePath();

struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

class PanelProcess {
public:
    // Starts the exe and waits until its main window is shown.
    explicit PanelProcess(const std::wstring& exe = PanelExePath());
    struct AlreadyRunning {};
    // Takes over a panel another program started, once its main window shows within the time.
    PanelProcess(AlreadyRunning, DWORD timeoutMs);
    ~PanelProcess();
    PanelProcess(const PanelProcess&) = delete;
    PanelProcess& operator=(const PanelProcess&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    DWORD ProcessId() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }

    // Presses a button the way a click does, and returns once the program has handled it.
    void Click(int id) const;
    // Posts the click and returns at once: for presses that open a modal message box.
    void ClickAsync(int id) const;
    // Gives the control the focus and posts a key press to it, as typing it would.
    void PressKey(int id, WPARAM key) const;
    std::wstring Text(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    std::vector<std::wstring> PortListEntries() const;
    void SelectPort(const std::wstring& entry) const;

    // A message box of this process, once one shows up within the time.
    MessageBoxSeen WaitForMessageBox(DWORD timeoutMs = 5000) const;
    // Presses OK on it and waits until it is gone.
    void Dismiss(const MessageBoxSeen& box) const;
    // Any top-level window of the process with this caption, other than the main window.
    HWND FindWindowByCaption(const std::wstring& caption) const;

    // True if the process ends within the time; its exit code then in *exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;

private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
};

// The visible top-level windows of a process, or of every process for 0.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

// The 23 command buttons and the frame each one puts on the line, as the device's command set
// defines them: "G", the two code characters, "g", line feed.
struct ButtonFrame {
    int controlId;
    BYTE frame[5];
};
extern const ButtonFrame kButtonFrames[23];
