// The raw TCP port for control systems that speak bytes: each whole frame of the table received
// goes to the queue; anything else (noise, a torn frame, an unknown code) is dropped and counted.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "BridgeOptions.h"
#include "FrameQueue.h"
#include "UniqueFd.h"

// Written by the raw port's thread; read by the HTTP handlers.
struct RawCounters {
    std::atomic<std::uint64_t> forwarded{0};
    std::atomic<std::uint64_t> dropped{0};
};

class RawPort {
public:
    RawPort(FrameQueue& queue, RawCounters& counters) : queue_(queue), counters_(counters) {}
    ~RawPort();
    RawPort(const RawPort&) = delete;
    RawPort& operator=(const RawPort&) = delete;

    // Listens and starts serving; the port bound, or -1 with *error set.
    int Start(const ListenAddress& address, std::string* error);

private:
    void Serve();

    FrameQueue& queue_;
    RawCounters& counters_;
    UniqueFd listener_;
    UniqueFd stopRead_, stopWrite_;  // a pipe: closing its write end wakes the thread to end
    std::thread thread_;
};
