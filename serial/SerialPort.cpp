#include "SerialPort.h"

#include "PortMessages.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// Before a write only the input goes: the one output a transmit purge could find then is the
// previous frame still on its way (in a USB adapter's transmit buffer, 5.2 ms at 9600 baud; on a
// pty, bytes the kernel has not passed on yet), and a frame once written must go out whole.
constexpr DWORD kPurgeInput = PURGE_RXABORT | PURGE_RXCLEAR;
constexpr UINT kWorkerExitCode = 100;
// Each of the two waits for a line-event wait to end at shutdown: after the mask change, then after
// cancelling it. Such a wait ends within milliseconds wherever the driver honours either.
constexpr DWORD kLineWaitEndMs = 500;
// A line that has gone is tried again at this pace (a USB adapter pulled out and put back).
constexpr DWORD kReopenEveryMs = 500;
constexpr char kEventChar = 'q';

}  // namespace

CSerialPort::~CSerialPort() {
    if (shutdownEvent)
        ::SetEvent(shutdownEvent.get());
    WaitForWorkerToEnd();
    portHandle.Close();
    FreeEndedLines();
    // Waits that still run keep what they write into until the process ends.
    for (SAbandonedLine& line : abandonedLines) {
        line.port.Abandon();
        line.event.Abandon();
        (void)line.wait.release();
    }
}

void CSerialPort::ResetOrCreate(CHandle& event) {
    if (event)
        ::ResetEvent(event.get());
    else
        event.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// The starter stores the worker's thread object on this thread before it can open or destroy
// again, so a worker that has not yet run its first line is still owed here.
bool CSerialPort::WorkerOwed() const {
    return workerAlive || (workerThread && ::WaitForSingleObject(workerEnded.get(), 0) != WAIT_OBJECT_0);
}

void CSerialPort::WaitForWorkerToEnd() {
    while (WorkerOwed()) {
        if (shutdownEvent)
            ::SetEvent(shutdownEvent.get());
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (!WorkerOwed())
            break;
        // Wakes when the worker ends or sends this thread a message; the timeout only bounds a
        // missed wake-up, it is not what ends the wait.
        HANDLE ended = workerEnded.get();
        ::MsgWaitForMultipleObjects(ended ? 1 : 0, &ended, FALSE, 100, QS_SENDMESSAGE);
    }
}

BOOL CSerialPort::OpenPort(CWnd* ownerWindow, UINT number, UINT baud, wchar_t parity, UINT dataBits, UINT stopBits,
                           DWORD mask) {
    WaitForWorkerToEnd();
    workerThread = nullptr;  // the starter stores the next one
    FreeEndedLines();

    ResetOrCreate(lineEvent);
    ResetOrCreate(writeEvent);
    ResetOrCreate(shutdownEvent);
    ResetOrCreate(workerEnded);
    ResetOrCreate(readDone);
    ResetOrCreate(writeDone);
    if (!lineWait)
        lineWait = std::make_unique<SLineWait>();
    *lineWait = SLineWait{};
    lineWait->record.hEvent = lineEvent.get();
    readOverlapped = OVERLAPPED{};
    readOverlapped.hEvent = readDone.get();
    writeOverlapped = OVERLAPPED{};
    writeOverlapped.hEvent = writeDone.get();
    waitEvents[0] = shutdownEvent.get();
    waitEvents[1] = lineEvent.get();
    waitEvents[2] = writeEvent.get();

    owner = ownerWindow ? ownerWindow->m_hWnd : nullptr;
    writeBuffer = std::make_unique<BYTE[]>(kWriteBufferBytes);
    portNumber = number;
    writeBufferSize = kWriteBufferBytes / 2;
    eventMask = mask;

    ScopedLock<CCriticalSection> lock(ioLock);
    portHandle.Close();

    wchar_t settings[80];
    std::swprintf(settings, 80, L"baud=%u parity=%lc data=%u stop=%u", baud, static_cast<wint_t>(parity), dataBits,
                  stopBits);

    // A port this engine still holds under a wait that would not end is in use, as Windows says of a
    // port another program holds (Wine would open it again beside the old handle).
    HANDLE port = HeldByAbandonedWait(number) ? INVALID_HANDLE_VALUE : OpenDevice();
    if (port == INVALID_HANDLE_VALUE)
        return FALSE;
    portHandle.Reset(port);

    // Each step runs only if the one before it succeeded; a failure is not reported.
    timeouts = COMMTIMEOUTS{1000, 1000, 1000, 1000, 1000};
    const bool configured = ::SetCommTimeouts(port, &timeouts) && ::SetCommMask(port, mask) &&
                            ::GetCommState(port, &lineState) &&
                            [this] {
                                lineState.EvtChar = kEventChar;
                                lineState.fDtrControl = DTR_CONTROL_ENABLE;
                                lineState.fRtsControl = RTS_CONTROL_ENABLE;
                                return true;
                            }() &&
                            ::BuildCommDCBW(settings, &lineState) && ::SetCommState(port, &lineState);
    (void)configured;

    Purge(kPurgeAll);
    return TRUE;
}

HANDLE CSerialPort::OpenDevice() const {
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\COM%u", portNumber);
    return ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

UINT CSerialPort::PortWorker(LPVOID engine) {
    auto* self = static_cast<CSerialPort*>(engine);
    // One worker per engine: a second one started for the same port leaves at once.
    if (self->workerAlive.exchange(TRUE))
        AfxEndThread(kWorkerExitCode);
    self->lineGone = false;
    self->lineWaitPending = false;
    if (self->portHandle)
        self->Purge(kPurgeAll);

    for (;;) {
        HANDLE port = self->portHandle.get();
        if (self->lineGone) {
            self->WaitWithoutLine();
            continue;
        }
        // After a write the earlier wait may still run: a second one on its record would fail and
        // clear the event the first one is to set, losing its wake-up.
        if (!self->lineWaitPending) {
            if (::WaitCommEvent(port, &self->lineWait->events, &self->lineWait->record)) {
                COMSTAT status{};
                if (!self->LineThere(&status) || status.cbInQue == 0)
                    continue;
            } else {
                const DWORD error = ::GetLastError();
                self->lineWaitPending = error == ERROR_IO_PENDING;
                if (error != ERROR_IO_PENDING && error != ERROR_INVALID_PARAMETER)
                    self->ReportIoFailure();
            }
        }

        switch (::WaitForMultipleObjects(3, self->waitEvents, FALSE, INFINITE)) {
            case WAIT_OBJECT_0:
                self->CloseAndEnd();
            case WAIT_OBJECT_0 + 1: {
                self->CollectLineWait();
                if (!self->LineThere())
                    break;
                DWORD mask = 0;
                ::GetCommMask(port, &mask);
                if (mask & EV_RXCHAR)
                    self->DrainInput();
                if (mask & EV_CTS)
                    self->Notify(WM_PORT_CTS, 0);
                if (mask & EV_BREAK)
                    self->Notify(WM_PORT_BREAK, 0);
                if (mask & EV_ERR)
                    self->Notify(WM_PORT_LINE_ERROR, 0);
                if (mask & EV_RING)
                    self->Notify(WM_PORT_RING, 0);
                if (mask & EV_RXFLAG)
                    self->Notify(WM_PORT_EVENT_CHAR, 0);
                break;
            }
            case WAIT_OBJECT_0 + 2:
                self->SendPending();
                break;
            default:
                break;
        }
    }
}

bool CSerialPort::LineThere(COMSTAT* status) {
    DWORD errors = 0;
    COMSTAT ignored{};
    if (::ClearCommError(portHandle.get(), &errors, status ? status : &ignored))
        return true;
    // The line has gone (a USB adapter pulled out). Line-event waits on it would go on completing
    // with nothing to read, hundreds of times a second, and nothing would tell: report it once,
    // then wait only for writes and the stop.
    lineGone = true;
    lastReopenTry = ::GetTickCount();
    ReportIoFailure();
    return false;
}

void CSerialPort::WaitWithoutLine() {
    const HANDLE stopOrWrite[2] = {shutdownEvent.get(), writeEvent.get()};
    // Kept to its pace however often the user presses meanwhile.
    const DWORD sinceTried = ::GetTickCount() - lastReopenTry;
    const DWORD untilNextTry = sinceTried >= kReopenEveryMs ? 0 : kReopenEveryMs - sinceTried;
    switch (::WaitForMultipleObjects(2, stopOrWrite, FALSE, untilNextTry)) {
        case WAIT_OBJECT_0:
            CloseAndEnd();
        case WAIT_OBJECT_0 + 1:
            SendPending();  // fails and is reported: a press made while the line is away is never kept
            break;
        default:
            TryToReopen();
            break;
    }
}

void CSerialPort::TryToReopen() {
    ScopedLock<CCriticalSection> lock(ioLock);
    lastReopenTry = ::GetTickCount();
    portHandle.Close();  // no operation runs on it: the line went between two of the worker's steps
    HANDLE opened = OpenDevice();
    if (opened == INVALID_HANDLE_VALUE)
        return;
    CHandle port(opened);
    // A line that will not take the settings is closed and tried again later, never used: under the
    // driver's own timeouts a write could hold ioLock, and the window with it, for ever.
    if (!ApplyLineSettings(port.get()))
        return;
    portHandle = std::move(port);
    Purge(kPurgeAll);
    lineGone = false;
}

// The settings the first open built.
bool CSerialPort::ApplyLineSettings(HANDLE port) {
    return ::SetCommTimeouts(port, &timeouts) && ::SetCommMask(port, eventMask) && ::SetCommState(port, &lineState);
}

void CSerialPort::CollectLineWait() {
    DWORD ignored = 0;
    ::GetOverlappedResult(portHandle.get(), &lineWait->record, &ignored, TRUE);
    lineWaitPending = false;
}

bool CSerialPort::LineWaitEnds(DWORD withinMs) const {
    return ::WaitForSingleObject(lineEvent.get(), withinMs) == WAIT_OBJECT_0;
}

bool CSerialPort::EndLineWait() {
    if (!lineWaitPending)
        return true;
    // A new event mask ends a pending wait at once; cancelling it is not enough everywhere (Wine
    // lets it run on), but serves where the mask cannot be set (an adapter gone from under it).
    HANDLE port = portHandle.get();
    if (!(::SetCommMask(port, 0) && LineWaitEnds(kLineWaitEndMs)) &&
        !(::CancelIo(port) && LineWaitEnds(kLineWaitEndMs)))
        return false;
    CollectLineWait();
    return true;
}

void CSerialPort::AbandonLine() {
    abandonedLines.push_back({portNumber, std::move(portHandle), std::move(lineEvent), std::move(lineWait)});
}

void CSerialPort::FreeEndedLines() {
    for (auto line = abandonedLines.begin(); line != abandonedLines.end();) {
        if (::WaitForSingleObject(line->event.get(), 0) != WAIT_OBJECT_0) {
            ++line;
            continue;
        }
        DWORD ignored = 0;
        ::GetOverlappedResult(line->port.get(), &line->wait->record, &ignored, TRUE);
        line = abandonedLines.erase(line);
    }
}

bool CSerialPort::HeldByAbandonedWait(UINT number) const {
    for (const SAbandonedLine& line : abandonedLines)
        if (line.portNumber == number)
            return true;
    return false;
}

void CSerialPort::CloseAndEnd() {
    if (EndLineWait())
        portHandle.Close();
    else
        AbandonLine();
    // Signal before clearing the flag: once workerAlive is false the engine may be gone.
    ::SetEvent(workerEnded.get());
    workerAlive = FALSE;
    AfxEndThread(kWorkerExitCode);
}

bool CSerialPort::PlaceFrame(const BYTE* frame, DWORD length) {
    ScopedLock<CCriticalSection> lock(ioLock);
    if (!writeBuffer || length > kWriteBufferBytes)
        return false;
    std::memcpy(writeBuffer.get(), frame, length);
    writeLength = length;
    ::SetEvent(writeEvent.get());
    return true;
}

void CSerialPort::SendPending() {
    ScopedLock<CCriticalSection> lock(ioLock);
    // Taken under the lock: a frame placed after this point sets the event again and goes out on
    // the next wake-up; one placed before it goes out now, and only now.
    ::ResetEvent(writeEvent.get());
    writeOverlapped.Offset = 0;
    writeOverlapped.OffsetHigh = 0;
    Purge(kPurgeInput);  // a write never goes out with stale input waiting
    if (writeLength > kWriteBufferBytes || !writeBuffer) {
        ReportIoFailure();  // refuse rather than read past the buffer
        return;
    }
    DWORD written = 0;
    if (!::WriteFile(portHandle.get(), writeBuffer.get(), writeLength, &written, &writeOverlapped)) {
        if (::GetLastError() == ERROR_IO_PENDING)
            ::GetOverlappedResult(portHandle.get(), &writeOverlapped, &written, TRUE);
        else
            ReportIoFailure();
    }
}

void CSerialPort::DrainInput() {
    // A stop ends the drain too: a line that never goes quiet would otherwise keep the worker
    // from ever seeing it.
    while (::WaitForSingleObject(shutdownEvent.get(), 0) != WAIT_OBJECT_0) {
        // A press never waits behind received bytes: a device that talks on would hold it for ever.
        if (::WaitForSingleObject(writeEvent.get(), 0) == WAIT_OBJECT_0)
            SendPending();
        COMSTAT status{};
        {
            ScopedLock<CCriticalSection> lock(ioLock);
            DWORD errors = 0;
            ::ClearCommError(portHandle.get(), &errors, &status);
        }
        if (status.cbInQue == 0)
            return;
        BYTE byte = 0;  // what a failed read reports
        {
            ScopedLock<CCriticalSection> lock(ioLock);
            DWORD read = 0;
            if (!::ReadFile(portHandle.get(), &byte, 1, &read, &readOverlapped) && ::GetLastError() == ERROR_IO_PENDING)
                ::GetOverlappedResult(portHandle.get(), &readOverlapped, &read, TRUE);
        }
        Notify(WM_PORT_BYTE, byte);  // outside the lock: the owner may take its time
    }
}

void CSerialPort::Notify(UINT message, WPARAM wParam) const {
    if (owner)
        ::SendMessageW(owner, message, wParam, static_cast<LPARAM>(portNumber));
}

void CSerialPort::ReportIoFailure() const {
    CWinThread* thread = AfxGetThread();
    HWND mainWindow = thread && thread->m_pMainWnd ? thread->m_pMainWnd->m_hWnd : nullptr;
    if (mainWindow)
        ::PostMessageW(mainWindow, WM_PORT_IO_FAILED, 1, 0);
}

void CSerialPort::Purge(DWORD actions) const { ::PurgeComm(portHandle.get(), actions); }
