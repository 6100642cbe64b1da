#include "FrameQueue.h"

#include <iostream>
#include <unistd.h>

namespace {

// A modest pace for a line that has gone: a USB adapter plugged back in is used within half a second.
constexpr std::chrono::milliseconds kRetryInterval{kLineRetryMs};

}  // namespace

FrameQueue::FrameQueue(LineAddress address, unsigned gapMs, AssumedState& assumed)
    : address_(std::move(address)), gap_(gapMs), assumed_(assumed) {
    Failure failure;
    line_ = OpenLine(address_, &failure);
    if (!line_)
        LoseLine(failure.message);
    writer_ = std::thread(&FrameQueue::Run, this);
}

FrameQueue::~FrameQueue() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

Ticket FrameQueue::Submit(std::vector<Step> steps) {
    std::unique_lock<std::mutex> hold(lock_);
    Ticket ticket;
    if (!goneReason_.empty()) {
        ticket.admission = Admission::LineGone;
        ticket.reason = goneReason_;
        return ticket;
    }
    if (entries_.size() >= kCapacity) {
        ticket.admission = Admission::Full;
        return ticket;
    }
    std::promise<Delivery> promise;
    ticket.delivered = promise.get_future();
    if (CanWriteAtOnce(steps)) {
        // Nothing waits and the gap is over: this thread writes the frame itself, saving the
        // writer thread's wake-up; holding writing_, it is the one writer meanwhile.
        writing_ = true;
        hold.unlock();
        Delivery delivery = Deliver(steps);
        hold.lock();
        Finish(delivery, std::move(promise));
    } else {
        entries_.push_back({std::move(steps), std::move(promise)});
        wake_.notify_all();
    }
    return ticket;
}

bool FrameQueue::CanWriteAtOnce(const std::vector<Step>& steps) const {
    return !writing_ && entries_.empty() && line_ && steps.size() == 1 && steps[0].command &&
           std::chrono::steady_clock::now() >= notBefore_;
}

void FrameQueue::Finish(Delivery& delivery, std::promise<Delivery> promise) {
    writing_ = false;
    if (delivery.lineGone && line_)
        LoseLine(delivery.reason);
    promise.set_value(std::move(delivery));
    if (!entries_.empty())  // queued behind this delivery: the writer thread takes them on
        wake_.notify_all();
}

std::string FrameQueue::LineGoneReason() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return goneReason_;
}

void FrameQueue::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_) {
        if (!line_) {
            OpenOrWait(hold);
            continue;
        }
        if (entries_.empty() || writing_) {
            WaitIdle(hold);
            continue;
        }
        Entry entry = std::move(entries_.front());
        entries_.pop_front();
        writing_ = true;
        hold.unlock();
        Delivery delivery = Deliver(entry.steps);
        hold.lock();
        Finish(delivery, std::move(entry.promise));
    }
    for (Entry& entry : entries_)
        entry.promise.set_value({true, "the bridge is stopping", {}});
}

void FrameQueue::OpenOrWait(std::unique_lock<std::mutex>& hold) {
    hold.unlock();
    Failure failure;
    auto line = OpenLine(address_, &failure);
    hold.lock();
    if (!line) {
        wake_.wait_for(hold, kRetryInterval, [this] { return stopping_; });
        return;
    }
    line_ = std::move(line);
    goneReason_.clear();
    std::cerr << "quorvex-bridge: " << address_.text << " is open again\n";
}

// Idle: a tty that vanished (a USB adapter unplugged) is noticed before anyone sends. Woken early
// (a new entry, stopping, or spuriously), it probes a little early: no harm.
void FrameQueue::WaitIdle(std::unique_lock<std::mutex>& hold) {
    wake_.wait_for(hold, kRetryInterval);
    if (entries_.empty() && !writing_ && !stopping_ && !StillThere())
        LoseLine(address_.text + " is gone");
}

bool FrameQueue::StillThere() const { return address_.tcp || ::access(address_.path.c_str(), F_OK) == 0; }

// The pause before a frame is the gap, or the waits asked since the last frame when longer.
Delivery FrameQueue::Deliver(const std::vector<Step>& steps) {
    Delivery delivery;
    auto waitedFrom = std::chrono::steady_clock::now();
    std::chrono::milliseconds waited{0};
    for (const Step& step : steps) {
        if (!step.command) {
            waited += std::chrono::milliseconds(step.waitMs);
            continue;
        }
        if (!PauseUntil(std::max(notBefore_, waitedFrom + waited)))
            return {true, "the bridge is stopping", std::move(delivery.sent)};
        const auto frame = CommandFrame(*step.command);
        Failure failure;
        if (!line_->Send(frame.data(), frame.size(), &failure))
            return {true, failure.message, std::move(delivery.sent)};
        delivery.sent.push_back(assumed_.Record(*step.command));
        waitedFrom = std::chrono::steady_clock::now();
        waited = std::chrono::milliseconds(0);
        notBefore_ = waitedFrom + gap_;
    }
    return delivery;
}

bool FrameQueue::PauseUntil(std::chrono::steady_clock::time_point when) {
    if (when <= std::chrono::steady_clock::now())
        return true;  // no pause: not even the lock, the frame's way to the line stays short
    std::unique_lock<std::mutex> hold(lock_);
    return !wake_.wait_until(hold, when, [this] { return stopping_; });
}

void FrameQueue::LoseLine(const std::string& reason) {
    line_.reset();
    goneReason_ = reason + "; trying again twice a second";
    std::cerr << "quorvex-bridge: " << goneReason_ << "\n";
    // Those waiting would wait for a line that may not come back: they are answered now, unsent.
    for (Entry& entry : entries_)
        entry.promise.set_value({true, goneReason_, {}});
    entries_.clear();
}
