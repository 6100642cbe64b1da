// What the bridge believes the multiviewer shows: the simulator's device model fed with every frame
// the bridge sent on its line since it started, and the last frames with their times. The device
// answers nothing, so this is assumed, never confirmed.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "StateCorrection.h"
#include "tools/core/DeviceState.h"

struct SentFrame {
    std::uint64_t number = 0;  // 1 for the line's first frame, then one more for each
    const DeviceCommand* command = nullptr;
    std::chrono::system_clock::time_point at;
};

// Touched on the I/O thread only.
class AssumedState {
public:
    static constexpr std::size_t kRecentFrames = 20;

    SentFrame Record(const DeviceCommand& command);
    void Correct(const StateCorrection& correction) { ::Correct(device_, correction); }
    const DeviceState& Device() const { return device_; }
    std::vector<SentFrame> Recent() const { return {recent_.begin(), recent_.end()}; }  // oldest first

private:
    DeviceState device_;
    std::deque<SentFrame> recent_;
    std::uint64_t sentCount_ = 0;
};
