#include "BridgeLine.h"

#include <iostream>

#include "BridgePlatform.h"

namespace {

// A modest pace for a line that has gone: a USB adapter plugged back in is used within half a second.
constexpr std::chrono::milliseconds kRetryInterval{kLineRetryMs};

// A failure while opening means there is no line; one while sending may be the far end alone.
bool OpenFailed(const Failure& failure) { return failure.exitCode != kSendFailed && failure.exitCode != kServerHungUp; }

}  // namespace

BridgeLine::BridgeLine(asio::io_context& io, std::string name, LineAddress address, unsigned gapMs)
    : io_(io),
      name_(std::move(name)),
      address_(address),
      gap_(std::chrono::milliseconds(gapMs)),
      writer_(std::move(address)),
      pause_(io),
      retry_(io),
      probe_(io) {}

void BridgeLine::Start() { Open(); }

void BridgeLine::OnWriter(std::function<bool(Failure*)> call, std::function<void(bool, const Failure&)> then) {
    writerBusy_ = true;
    asio::post(writerThread_, [this, call = std::move(call), then = std::move(then)]() mutable {
        Failure failure;
        const bool done = call(&failure);
        asio::post(io_, [this, done, failure, then = std::move(then)] {
            writerBusy_ = false;
            then(done, failure);
        });
    });
}

void BridgeLine::Open() {
    OnWriter([this](Failure* failure) { return writer_.Open(failure); },
             [this](bool open, const Failure& failure) { Opened(open, failure); });
}

void BridgeLine::Opened(bool open, const Failure& failure) {
    if (stopping_) {
        CheckIdle();
        return;
    }
    if (!open) {
        if (goneReason_.empty())
            MarkGone(failure.message);
        RetryLater();
        return;
    }
    if (!goneReason_.empty())
        std::cerr << "quorvex-bridge: " << address_.text << " is open again\n";
    open_ = true;
    goneReason_.clear();
    Notify(nullptr);
    ProbeLater();
    Pump();
}

void BridgeLine::RetryLater() {
    retry_.expires_after(kRetryInterval);
    retry_.async_wait([this](const boost::system::error_code& error) {
        if (!error)
            Open();
    });
}

// Idle, a tty that vanished (a USB adapter unplugged) is noticed before anyone sends.
void BridgeLine::ProbeLater() {
    probe_.expires_after(kRetryInterval);
    probe_.async_wait([this](const boost::system::error_code& error) {
        if (error || !open_)
            return;
        if (!current_ && !writerBusy_ && LineVanished(address_))
            Lose(address_.text + " is gone");
        else
            ProbeLater();
    });
}

void BridgeLine::Submit(std::vector<Step> steps, Completion done) {
    if (stopping_)
        done({Outcome::Stopping, "the bridge is stopping", {}});
    else if (!goneReason_.empty())
        done({Outcome::LineGone, goneReason_, {}});
    else if (entries_.size() >= kCapacity)
        done({Outcome::QueueFull, {}, {}});
    else {
        entries_.push_back({std::move(steps), std::move(done)});
        Pump();
    }
}

void BridgeLine::Pump() {
    if (current_ || stopping_ || !open_ || writerBusy_ || entries_.empty())
        return;
    current_ = std::move(entries_.front());
    entries_.pop_front();
    step_ = 0;
    waitedFrom_ = Clock::now();
    waited_ = {};
    sent_.clear();
    Advance();
}

// The pause before a frame is the gap, or the waits asked since the last frame when longer; the
// waits after the last frame hold the line for whoever comes next.
void BridgeLine::Advance() {
    const std::vector<Step>& steps = current_->steps;
    for (; step_ < steps.size() && (!steps[step_].command || AlreadySo(steps[step_])); ++step_)
        waited_ += std::chrono::milliseconds(steps[step_].waitMs);
    const Clock::time_point when = std::max(notBefore_, waitedFrom_ + waited_);
    if (step_ == steps.size()) {
        notBefore_ = when;
        Confirm();
        return;
    }
    if (when <= Clock::now()) {
        Write(*steps[step_].command);
        return;
    }
    pause_.expires_at(when);
    pause_.async_wait([this](const boost::system::error_code& error) {
        if (!error)
            Advance();
    });
}

void BridgeLine::Write(const DeviceCommand& command) {
    OnWriter([this, &command](Failure* failure) { return writer_.Write(command, failure); },
             [this, &command](bool written, const Failure& failure) {
                 if (written)
                     Written(command);
                 else
                     Failed(failure);
             });
}

void BridgeLine::Written(const DeviceCommand& command) {
    const SentFrame frame = assumed_.Record(command);
    sent_.push_back(frame);
    waitedFrom_ = Clock::now();
    waited_ = {};
    notBefore_ = waitedFrom_ + gap_;
    ++step_;
    Notify(&frame);
    if (stopping_ && CommandsLeft())
        Complete(Outcome::Stopping, "the bridge stopped before the rest was sent");
    else
        Advance();
}

bool BridgeLine::AlreadySo(const Step& step) const {
    return step.standbyWanted && *step.standbyWanted == assumed_.Device().standby;
}

bool BridgeLine::CommandsLeft() const {
    for (std::size_t i = step_; i < current_->steps.size(); ++i)
        if (current_->steps[i].command)
            return true;
    return false;
}

// Over TCP the request is sent once the serial server has kept the connection a moment after it.
void BridgeLine::Confirm() {
    if (!address_.tcp) {
        Complete(Outcome::Sent, {});
        return;
    }
    OnWriter([this](Failure* failure) { return writer_.Confirm(failure); },
             [this](bool confirmed, const Failure& failure) {
                 if (confirmed)
                     Complete(Outcome::Sent, {});
                 else
                     Failed(failure);
             });
}

void BridgeLine::Complete(Outcome outcome, const std::string& reason) {
    Entry entry = std::move(*current_);
    current_.reset();
    std::vector<SentFrame> sent;
    sent.swap(sent_);
    entry.done({outcome, reason, std::move(sent)});
    if (stopping_)
        CheckIdle();
    else
        Pump();
}

// What was written stays on the line; every request waiting is answered, as the line may take
// nothing for a while. A tty that is still there is kept (see KeepLineAfterFailure); a serial
// server that hung up is called again by the next write.
void BridgeLine::Failed(const Failure& failure) {
    if (!stopping_ && (OpenFailed(failure) || (!address_.tcp && !KeepLineAfterFailure(address_))))
        Lose(failure.message);
    else
        AnswerWaiting(Outcome::Failed, failure.message);
    Complete(Outcome::Failed, failure.message);
}

void BridgeLine::Lose(const std::string& reason) {
    MarkGone(reason);
    OnWriter(
        [this](Failure*) {
            writer_.Drop();
            return true;
        },
        [this](bool, const Failure&) {
            if (stopping_)
                CheckIdle();
            else
                RetryLater();
        });
}

void BridgeLine::MarkGone(const std::string& reason) {
    open_ = false;
    goneReason_ = reason + "; trying again twice a second";
    std::cerr << "quorvex-bridge: " << goneReason_ << "\n";
    probe_.cancel();
    AnswerWaiting(Outcome::LineGone, goneReason_);
    Notify(nullptr);
}

void BridgeLine::AnswerWaiting(Outcome outcome, const std::string& reason) {
    std::deque<Entry> waiting;
    waiting.swap(entries_);
    for (Entry& entry : waiting)
        entry.done({outcome, reason, {}});
}

void BridgeLine::Correct(const StateCorrection& correction) {
    assumed_.Correct(correction);
    Notify(nullptr);
}

void BridgeLine::Notify(const SentFrame* frame) {
    for (const Listener& listener : listeners_)
        listener(frame);
}

void BridgeLine::Stop(std::function<void()> idle) {
    stopping_ = true;
    idle_ = std::move(idle);
    retry_.cancel();
    probe_.cancel();
    AnswerWaiting(Outcome::Stopping, "the bridge is stopping");
    if (current_ && !writerBusy_) {
        pause_.cancel();
        Complete(Outcome::Stopping, "the bridge stopped before the rest was sent");
        return;
    }
    CheckIdle();
}

void BridgeLine::CheckIdle() {
    if (!writerBusy_ && !current_ && idle_)
        std::exchange(idle_, nullptr)();
}
