// The simulated device: takes what the splitter found on the line, logs it, updates its state,
// draws the screen after each change and answers when asked to.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/core/DeviceState.h"
#include "tools/core/FrameSplitter.h"
#include "Log.h"

class Multiviewer {
public:
    using Sender = std::function<bool(const std::vector<std::uint8_t>&)>;
    Multiviewer(Log& log, bool pictures, std::vector<std::uint8_t> reply, Sender send);

    void Receive(const LineEvent& event);
    void Send(const std::vector<std::uint8_t>& bytes);
    void ShowScreen();
    const DeviceState& State() const { return state_; }

private:
    Log& log_;
    bool pictures_;
    std::vector<std::uint8_t> reply_;
    Sender send_;
    DeviceState state_;
};
