// Counting what a process holds, for leak checks: its threads, and the next handle value.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

inline int CountThreadsOf(DWORD processId) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId)
            ++count;
    ::CloseHandle(snapshot);
    return count;
}

inline int CountOwnThreads() { return CountThreadsOf(::GetCurrentProcessId()); }

// Whether the thread with this ID still runs (an ended thread leaves the snapshot).
inline bool ThreadRuns(DWORD threadId) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more && !found; more = ::Thread32Next(snapshot, &entry))
        found = entry.th32ThreadID == threadId;
    ::CloseHandle(snapshot);
    return found;
}

// The handle table hands out the lowest free slot: a new handle's value grows only if handles
// leaked. (GetProcessHandleCount answers 0 under Wine.)
inline UINT_PTR NextHandleValue() {
    HANDLE probe = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto value = reinterpret_cast<UINT_PTR>(probe);
    ::CloseHandle(probe);
    return value;
}
