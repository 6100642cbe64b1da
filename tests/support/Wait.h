// Waiting with deadlines: poll a condition, answering this thread's messages meanwhile.
#pragma once

#include <windows.h>

#include <functional>

// Pumps this thread's messages so windows it owns keep answering while it waits.
inline void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// True once the condition holds; false if the deadline passes first.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    const ULONGLONG deadline = ::GetTickCount() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (::GetTickCount() >= deadline)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}
