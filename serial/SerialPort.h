// The serial port engine: one COM port driven with overlapped I/O by one worker thread, which
// reports what the line does to an owner window.
#pragma once

#include "framework/Handle.h"
#include "framework/Thread.h"
#include "framework/Wnd.h"

#include <atomic>
#include <memory>
#include <vector>

class CSerialPort {
public:
    static constexpr DWORD kWriteBufferBytes = 1024;

    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Stops a previous worker, then opens COMn. True when the device opened, even if a later
    // configuration step failed.
    BOOL OpenPort(CWnd* owner, UINT portNumber, UINT baud, wchar_t parity, UINT dataBits, UINT stopBits,
                  DWORD eventMask);
    // The worker's entry, started with AfxBeginThread and the engine as parameter. Never returns.
    static UINT PortWorker(LPVOID engine);
    // Hands a frame to the worker: it replaces a frame not yet taken, and the worker writes it once.
    // Called on the UI thread after a successful open. False, and nothing placed, past the buffer.
    bool PlaceFrame(const BYTE* frame, DWORD length);

    // The frame hand-over, under ioLock on both sides: writeEvent is set exactly while writeBuffer
    // holds a frame the worker has not taken yet.
    DWORD writeLength = 1;                // bytes from the start of writeBuffer to send; at most 1024
    std::unique_ptr<BYTE[]> writeBuffer;  // kWriteBufferBytes; allocated by OpenPort
    CCriticalSection ioLock;              // the open sequence, the frame hand-over, each read and each write
    CHandle writeEvent;                   // set by PlaceFrame; reset by the worker as it takes the frame
    CHandle shutdownEvent;                // set by the UI thread to make the worker close the port and end
    // Stored by the starter right after AfxBeginThread, on the UI thread; deleted by the thread itself.
    // The engine only asks whether one was started since the last open: never dereferenced.
    CWinThread* workerThread = nullptr;

private:
    void SendPending();
    void DrainInput();
    // False once the line has gone; reports that once. Fills *status with the queue counts.
    bool LineThere(COMSTAT* status = nullptr);
    // The worker's wait once the line has gone: for the stop, or a write to fail.
    void WaitWithoutLine();
    // Opens the port again where the line has gone, with the settings of the first open; the
    // worker carries on with it once it opens and takes them.
    void TryToReopen();
    HANDLE OpenDevice() const;
    // False when the port did not take them all.
    bool ApplyLineSettings(HANDLE port);
    void Notify(UINT message, WPARAM wParam) const;
    void ReportIoFailure() const;
    void Purge(DWORD actions) const;
    // Takes the outcome of the line-event wait once it has woken the worker, before its record is reused.
    void CollectLineWait();
    // Ends a pending line-event wait and lets it finish: it writes into `lineWait`. False when it
    // would not end, even cancelled (a driver that ignores the mask change, a removed adapter).
    bool EndLineWait();
    bool LineWaitEnds(DWORD withinMs) const;
    // Sets the port, the wait's record and its event aside, unclosed: closing or freeing them under a
    // wait that still runs would have the system write into memory that is gone.
    void AbandonLine();
    // Closes the lines set aside whose wait has ended since; the others stay taken.
    void FreeEndedLines();
    bool HeldByAbandonedWait(UINT number) const;
    [[noreturn]] void CloseAndEnd();
    // A worker runs, or was started for this open and has not ended yet (it may not have run at all).
    bool WorkerOwed() const;
    // Keeps signalling shutdown until the worker has gone, answering the messages it sends
    // this thread meanwhile, so that a worker inside SendMessage can finish.
    void WaitForWorkerToEnd();
    static void ResetOrCreate(CHandle& event);

    CHandle portHandle;                    // opened by OpenPort under ioLock; closed by the worker at shutdown
    std::atomic<BOOL> workerAlive{FALSE};  // written by the worker only; polled by the UI thread
    CHandle workerEnded;                   // reset by OpenPort; set by the worker as it ends
    CHandle lineEvent;                     // the event of the line-event wait's record
    HANDLE waitEvents[3] = {};             // shutdown, line event, write: lowest index wins
    // The system writes each completion into the record it was given and signals that record's
    // event: an operation that may be pending while another starts has a record and an event of its own.
    struct SLineWait {
        OVERLAPPED record{};
        DWORD events = 0;  // what the wait reports
    };
    // The worker's line-event wait, on the heap: a wait that will not end at shutdown keeps it.
    std::unique_ptr<SLineWait> lineWait;  // made by OpenPort; set aside by a worker whose wait would not end
    // A port whose line-event wait would not end at a stop, kept with the wait's record and event
    // until the wait ends: until then the port is taken, as by another program.
    struct SAbandonedLine {
        UINT portNumber = 0;
        CHandle port;
        CHandle event;
        std::unique_ptr<SLineWait> wait;
    };
    // Appended by a worker as it ends, before it signals workerEnded; read and freed by the UI thread
    // only while no worker runs (OpenPort, the destructor).
    std::vector<SAbandonedLine> abandonedLines;
    OVERLAPPED readOverlapped{};   // the worker's reads
    OVERLAPPED writeOverlapped{};  // the worker's writes
    CHandle readDone;              // the event of `readOverlapped`
    CHandle writeDone;             // the event of `writeOverlapped`
    bool lineGone = false;         // the worker's own: the line went while it ran
    DWORD lastReopenTry = 0;       // the worker's own: when the line went or was last tried again
    bool lineWaitPending = false;  // the worker's own: its wait on `lineWait` has not yet woken it
    COMMTIMEOUTS timeouts{};
    DCB lineState{};
    HWND owner = nullptr;  // the owner window's handle, taken at open; read by the worker
    UINT portNumber = 0;
    DWORD eventMask = 0;
    DWORD writeBufferSize = 0;  // capacity in two-byte units
};
