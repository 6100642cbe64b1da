// A COM port held open overlapped with a line-event wait always pending, as the panel's worker
// holds one on a quiet line, in bare Win32: the floor of closing and reopening a connected port.
#pragma once

#include <windows.h>

#include "framework/Handle.h"

class WaitingLine {
public:
    WaitingLine() = default;
    ~WaitingLine() { Close(); }
    WaitingLine(const WaitingLine&) = delete;
    WaitingLine& operator=(const WaitingLine&) = delete;

    // Opens \\.\COMn overlapped at 9600 8N1 with the panel's timeouts, purged, with an event mask,
    // starts a line-event wait and a worker that collects it and starts the next one. True once the
    // wait is pending.
    bool Open(int number);
    // Ends the pending wait with SetCommMask(0), lets the worker collect it and leave, then
    // closes the port. Nothing to do when not open.
    void Close();
    bool IsOpen() const { return static_cast<bool>(port_); }

private:
    static DWORD WINAPI WorkerMain(LPVOID self);
    // Starts the next wait unless the line is closing; false if it did not start.
    bool Arm();

    CHandle port_;
    CHandle waitDone_;  // the wait's manual-reset event, set by Wine when the wait ends
    CHandle worker_;
    OVERLAPPED record_{};  // given to WaitCommEvent by Arm and collected by the worker only
    DWORD events_ = 0;     // written by the wait, read by nobody: Close ends it
    CCriticalSection armLock_;
    bool closing_ = false;  // set by Close and read by Arm, both under armLock_
};
