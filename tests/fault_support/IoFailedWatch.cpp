#include "IoFailedWatch.h"

IoFailedWatch::IoFailedWatch(HWND mainWindow) {
    seen_ = ::CreateSemaphoreW(nullptr, 0, 1000, kIoFailedSemaphore);
    library_ = ::LoadLibraryW(L"fault_io_failed_hook.dll");
    if (!seen_ || !library_)
        return;
    const auto proc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(library_, "IoFailedHookProc")));
    const DWORD thread = ::GetWindowThreadProcessId(mainWindow, nullptr);
    if (proc && thread)
        hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, proc, library_, thread);
}

IoFailedWatch::~IoFailedWatch() {
    if (hook_)
        ::UnhookWindowsHookEx(hook_);
    if (library_)
        ::FreeLibrary(library_);
    if (seen_)
        ::CloseHandle(seen_);
}

int IoFailedWatch::Take(DWORD timeoutMs) {
    int count = 0;
    if (seen_ && ::WaitForSingleObject(seen_, timeoutMs) == WAIT_OBJECT_0) {
        ++count;
        while (::WaitForSingleObject(seen_, 0) == WAIT_OBJECT_0)
            ++count;
    }
    return count;
}
