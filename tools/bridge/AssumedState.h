// What the bridge believes the multiviewer shows: the simulator's device model fed with every frame
// the bridge sent since it started, and the last frames with their times. The device answers
// nothing, so this is assumed, never confirmed.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "tools/core/DeviceState.h"

struct SentFrame {
    std::uint64_t number = 0;  // 1 for the bridge's first frame, then one more for each
    const DeviceCommand* command = nullptr;
    std::chrono::system_clock::time_point at;
};

struct AssumedSnapshot {
    DeviceState device;
    std::vector<SentFrame> recent;  // oldest first
};

// Shared by the writer thread (Record) and the HTTP handlers (Snapshot), under its own lock.
class AssumedState {
public:
    static constexpr std::size_t kRecentFrames = 20;

    SentFrame Record(const DeviceCommand& command);
    AssumedSnapshot Snapshot() const;

private:
    mutable std::mutex lock_;
    DeviceState device_;
    std::deque<SentFrame> recent_;
    std::uint64_t sentCount_ = 0;
};
