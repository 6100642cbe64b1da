// Watches the panel's main window for WM_PORT_IO_FAILED, which the program handles silently: a
// message hook in its process (fault_io_failed_hook.dll) counts each one the window takes.
#pragma once

#include <windows.h>

constexpr wchar_t kIoFailedSemaphore[] = L"QuorvexIoFailedSeen";

class IoFailedWatch {
public:
    // Hooks the thread that runs this window.
    explicit IoFailedWatch(HWND mainWindow);
    ~IoFailedWatch();
    IoFailedWatch(const IoFailedWatch&) = delete;
    IoFailedWatch& operator=(const IoFailedWatch&) = delete;

    bool IsWatching() const { return hook_ != nullptr; }
    // The reports that have arrived since the last call, waiting up to timeoutMs for the first.
    int Take(DWORD timeoutMs);

private:
    HANDLE seen_ = nullptr;
    HMODULE library_ = nullptr;
    HHOOK hook_ = nullptr;
};
