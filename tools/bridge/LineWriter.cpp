#include "LineWriter.h"

bool LineWriter::Open(Failure* failure) {
    if (!line_)
        line_ = OpenLine(address_, failure);
    return line_ != nullptr;
}

bool LineWriter::Write(const DeviceCommand& command, Failure* failure) {
    const auto frame = CommandFrame(command);
    if (!Open(failure))
        return false;
    if (line_->Send(frame.data(), frame.size(), failure))
        return true;
    // Send says a hang-up only when it found one before writing anything.
    const bool idleHangUp = address_.tcp && failure->exitCode == kServerHungUp;
    if (address_.tcp)
        line_.reset();
    if (!idleHangUp)
        return false;
    if (Open(failure) && line_->Send(frame.data(), frame.size(), failure))
        return true;
    line_.reset();
    return false;
}

// A serial server that hung up is connected again for the next frame.
bool LineWriter::Confirm(Failure* failure) {
    if (!line_ || line_->Finish(failure))
        return true;
    line_.reset();
    return false;
}
