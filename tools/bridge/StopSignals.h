// What ends the bridge: SIGINT or SIGTERM on Linux; Ctrl+C, Ctrl+Break, a closed console, logoff or
// shutdown on Windows. `stop` runs on the I/O thread, so a stop never lands inside a frame's write.
#pragma once

#include <functional>
#include <memory>

#include "Asio.h"

class StopSignals {
public:
    StopSignals(asio::io_context& io, std::function<void()> stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};
