// Loaded into the panel's process by a WH_GETMESSAGE hook: counts each WM_PORT_IO_FAILED that
// the main window takes from its queue, by releasing the test's named semaphore once. Built without
// the C runtime: nothing of it has to start inside the panel's process.
#include <windows.h>

#include "IoFailedWatch.h"
#include "serial/PortMessages.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK IoFailedHookProc(int code, WPARAM removal, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    // Only the main window has the Connect button.
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message == WM_PORT_IO_FAILED && msg->wParam == 1 &&
        ::GetDlgItem(msg->hwnd, 1002)) {
        if (HANDLE seen = ::OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, kIoFailedSemaphore)) {
            ::ReleaseSemaphore(seen, 1, nullptr);
            ::CloseHandle(seen);
        }
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID) { return TRUE; }
