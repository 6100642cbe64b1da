// The blocking half of a line: opened, written and dropped on the line's writer thread only,
// through the sender's own line code, so that "sent" means here what it means to quorvex-send.
#pragma once

#include <memory>

#include "tools/core/Line.h"
#include "ui/DeviceCommands.h"

class LineWriter {
public:
    explicit LineWriter(LineAddress address) : address_(std::move(address)) {}

    // True once the line is open, now or from before; else *failure says why not.
    bool Open(Failure* failure);
    // One frame, whole; returns once its bytes have left this end. A serial server that hung up
    // while the line was idle is connected again at once and the frame sent: none of it had gone.
    bool Write(const DeviceCommand& command, Failure* failure);
    // After a request's last frame: over TCP, the serial server still connected a moment later.
    bool Confirm(Failure* failure);
    void Drop() { line_.reset(); }

private:
    const LineAddress address_;
    std::unique_ptr<Line> line_;
};
