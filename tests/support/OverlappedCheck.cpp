#include "OverlappedCheck.h"

#include "ImportSlot.h"

#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kFindingsKept = 5;

// One record that was given to an operation on `file`, with the event that operation will signal.
struct Started {
    HANDLE file;
    const OVERLAPPED* record;
    HANDLE event;
    const char* operation;
    unsigned serial;    // which call this is
    bool over = false;  // failed without going pending, or its outcome was collected: nothing runs on the record
};

class Watch {
public:
    Watch() { ::InitializeCriticalSection(&lock_); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Before `record` goes to `operation`: does an earlier operation on it, or on its event, still run?
    // Returns the call's serial, for FailedAtOnce.
    unsigned Starting(const char* operation, HANDLE file, const OVERLAPPED* record) {
        Locked locked(lock_);
        for (const Started& earlier : started_)
            if ((earlier.record == record || earlier.event == record->hEvent) && StillPending(earlier))
                Note(operation, record, earlier);
        Remember({file, record, record->hEvent, operation, ++serials_});
        return serials_;
    }

    // The call failed with an error other than ERROR_IO_PENDING: it never ran, although the system
    // may have marked its record pending before it failed, and never completes it.
    void FailedAtOnce(unsigned serial) {
        Locked locked(lock_);
        for (Started& known : started_)
            if (known.serial == serial)
                known.over = true;
    }

    // GetOverlappedResult gave the outcome of the operation on `record`: it is over, whatever the
    // record's status reads (Wine signals the event and returns the outcome before it writes the
    // status, at times much later).
    void Collected(const OVERLAPPED* record) {
        Locked locked(lock_);
        for (Started& known : started_)
            if (known.record == record)
                known.over = true;
    }

    // Before `file` is closed: an operation still pending on it would complete into its record
    // after its owner may have freed it.
    void Closing(HANDLE file) {
        Locked locked(lock_);
        for (const Started& earlier : started_)
            if (earlier.file == file && StillPending(earlier))
                Note("CloseHandle of its file", earlier.record, earlier);
    }

    // Before a wait for `record`: its event must not be signalled by another operation still running.
    void Awaiting(const OVERLAPPED* record) {
        Locked locked(lock_);
        for (const Started& other : started_)
            if (other.record != record && other.event == record->hEvent && StillPending(other))
                Note("GetOverlappedResult", record, other);
    }

    OverlappedCheck::Findings Take() {
        Locked locked(lock_);
        OverlappedCheck::Findings taken = findings_;
        findings_ = {};
        started_.clear();
        return taken;
    }

private:
    class Locked {
    public:
        explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { ::EnterCriticalSection(&lock_); }
        ~Locked() { ::LeaveCriticalSection(&lock_); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        CRITICAL_SECTION& lock_;
    };

    // The system writes the record's status as the operation completes: read it afresh.
    static bool StillPending(const Started& started) {
        return !started.over && !HasOverlappedIoCompleted(const_cast<volatile OVERLAPPED*>(started.record));
    }

    // A record still pending keeps its entry (a new operation on it is already a finding), so a
    // close under it is still seen.
    void Remember(const Started& now) {
        for (Started& known : started_)
            if (known.record == now.record) {
                if (!StillPending(known))
                    known = now;
                return;
            }
        started_.push_back(now);
    }

    void Note(const char* operation, const OVERLAPPED* record, const Started& earlier) {
        if (findings_.count++ >= kFindingsKept)
            return;
        char text[200];
        std::snprintf(text, sizeof(text),
                      "%s on record %p (event %p) while %s on record %p (event %p) may be pending\n", operation,
                      static_cast<const void*>(record), record->hEvent, earlier.operation,
                      static_cast<const void*>(earlier.record), earlier.event);
        findings_.first += text;
    }

    CRITICAL_SECTION lock_;
    std::vector<Started> started_;
    unsigned serials_ = 0;
    OverlappedCheck::Findings findings_;
};

Watch& TheWatch() {
    static Watch watch;
    return watch;
}

volatile LONG lineWaits = 0;

decltype(&::WaitCommEvent) realWaitCommEvent = nullptr;
decltype(&::ReadFile) realReadFile = nullptr;
decltype(&::WriteFile) realWriteFile = nullptr;
decltype(&::GetOverlappedResult) realGetOverlappedResult = nullptr;
decltype(&::CloseHandle) realCloseHandle = nullptr;

// Notes the end of a call whose record was noted as `serial`, keeping the caller's last error.
BOOL Ended(BOOL result, unsigned serial) {
    const DWORD error = ::GetLastError();
    if (!result && error != ERROR_IO_PENDING)
        TheWatch().FailedAtOnce(serial);
    ::SetLastError(error);
    return result;
}

// The wrappers note the record before they pass the call on, and a call that failed at once after it.
BOOL WINAPI CheckedWaitCommEvent(HANDLE file, LPDWORD events, LPOVERLAPPED record) {
    ::InterlockedIncrement(&lineWaits);
    if (!record)
        return realWaitCommEvent(file, events, record);
    const unsigned serial = TheWatch().Starting("WaitCommEvent", file, record);
    return Ended(realWaitCommEvent(file, events, record), serial);
}

BOOL WINAPI CheckedReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED record) {
    if (!record)
        return realReadFile(file, buffer, size, done, record);
    const unsigned serial = TheWatch().Starting("ReadFile", file, record);
    return Ended(realReadFile(file, buffer, size, done, record), serial);
}

BOOL WINAPI CheckedWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED record) {
    if (!record)
        return realWriteFile(file, buffer, size, done, record);
    const unsigned serial = TheWatch().Starting("WriteFile", file, record);
    return Ended(realWriteFile(file, buffer, size, done, record), serial);
}

BOOL WINAPI CheckedGetOverlappedResult(HANDLE file, LPOVERLAPPED record, LPDWORD done, BOOL wait) {
    if (record)
        TheWatch().Awaiting(record);
    const BOOL result = realGetOverlappedResult(file, record, done, wait);
    const DWORD error = ::GetLastError();
    if (record && (result || error != ERROR_IO_INCOMPLETE))
        TheWatch().Collected(record);
    ::SetLastError(error);
    return result;
}

BOOL WINAPI CheckedCloseHandle(HANDLE handle) {
    TheWatch().Closing(handle);
    return realCloseHandle(handle);
}

}  // namespace

namespace OverlappedCheck {

bool Install() {
    static const bool installed = [] {
        TheWatch();  // made before any wrapper can run
        return WrapImport("kernel32.dll", "WaitCommEvent", &CheckedWaitCommEvent, &realWaitCommEvent) &&
               WrapImport("kernel32.dll", "ReadFile", &CheckedReadFile, &realReadFile) &&
               WrapImport("kernel32.dll", "WriteFile", &CheckedWriteFile, &realWriteFile) &&
               WrapImport("kernel32.dll", "GetOverlappedResult", &CheckedGetOverlappedResult,
                          &realGetOverlappedResult) &&
               WrapImport("kernel32.dll", "CloseHandle", &CheckedCloseHandle, &realCloseHandle);
    }();
    return installed;
}

Findings Take() { return TheWatch().Take(); }

LONG LineWaitsStarted() { return lineWaits; }

}  // namespace OverlappedCheck
