// The bytes waiting to be read at a COM port, seen through a handle of the bench's own: how much of
// what the device sent the program holding that port has not taken yet. Only counts; it never reads
// the line, so the program's own reads are untouched.
#pragma once

#include <windows.h>

#include "framework/Handle.h"

class InputQueue {
public:
    explicit InputQueue(int comNumber);

    bool IsOpen() const { return static_cast<bool>(port_); }
    // cbInQue of ClearCommError; 0 when it cannot be read.
    DWORD Waiting() const;

private:
    CHandle port_;
};
