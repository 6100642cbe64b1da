#include "bare_waiting_line.h"

#include "bare_line.h"

bool WaitingLine::Open(int number) {
    Close();
    HANDLE port = OpenBareLine(number, FILE_FLAG_OVERLAPPED);
    if (port == INVALID_HANDLE_VALUE)
        return false;
    port_.Reset(port);
    waitDone_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    closing_ = false;
    record_ = OVERLAPPED{};
    record_.hEvent = waitDone_.get();
    // The rest of what the panel's open must do: its timeouts, and no stale bytes either way.
    COMMTIMEOUTS timeouts{1000, 1000, 1000, 1000, 1000};
    ::SetCommTimeouts(port, &timeouts);
    ::PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    if (!waitDone_ || !::SetCommMask(port, EV_RXCHAR | EV_RXFLAG) || !Arm()) {
        port_.Close();
        return false;
    }
    worker_.Reset(::CreateThread(nullptr, 0, WorkerMain, this, 0, nullptr));
    if (!worker_) {
        // No worker to collect the wait: end and collect it here before the port goes.
        ::SetCommMask(port, 0);
        DWORD ignored = 0;
        ::GetOverlappedResult(port, &record_, &ignored, TRUE);
        port_.Close();
        return false;
    }
    return true;
}

void WaitingLine::Close() {
    if (!port_)
        return;
    {
        ScopedLock<CCriticalSection> lock(armLock_);
        closing_ = true;
    }
    // Under the lock the worker has either started its wait, which the new mask ends at once, or
    // sees closing_ and starts none.
    ::SetCommMask(port_.get(), 0);
    ::WaitForSingleObject(worker_.get(), INFINITE);
    worker_.Close();
    port_.Close();
}

bool WaitingLine::Arm() {
    ScopedLock<CCriticalSection> lock(armLock_);
    if (closing_)
        return false;
    ::ResetEvent(waitDone_.get());
    if (::WaitCommEvent(port_.get(), &events_, &record_)) {
        ::SetEvent(waitDone_.get());  // done at once: handled as a wake like any other
        return true;
    }
    return ::GetLastError() == ERROR_IO_PENDING;
}

DWORD WINAPI WaitingLine::WorkerMain(LPVOID self) {
    auto& line = *static_cast<WaitingLine*>(self);
    do {
        ::WaitForSingleObject(line.waitDone_.get(), INFINITE);
        DWORD ignored = 0;
        ::GetOverlappedResult(line.port_.get(), &line.record_, &ignored, TRUE);
    } while (line.Arm());
    return 0;
}
