#include "AssumedState.h"

SentFrame AssumedState::Record(const DeviceCommand& command) {
    Apply(device_, command);
    const SentFrame frame{++sentCount_, &command, std::chrono::system_clock::now()};
    recent_.push_back(frame);
    if (recent_.size() > kRecentFrames)
        recent_.pop_front();
    return frame;
}
