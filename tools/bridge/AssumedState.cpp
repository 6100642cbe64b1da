#include "AssumedState.h"

SentFrame AssumedState::Record(const DeviceCommand& command) {
    const std::lock_guard<std::mutex> hold(lock_);
    Apply(device_, command);
    const SentFrame frame{++sentCount_, &command, std::chrono::system_clock::now()};
    recent_.push_back(frame);
    if (recent_.size() > kRecentFrames)
        recent_.pop_front();
    return frame;
}

AssumedSnapshot AssumedState::Snapshot() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return {device_, std::vector<SentFrame>(recent_.begin(), recent_.end())};
}
