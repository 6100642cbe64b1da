// One line of the bridge: the requests waiting for it, the one writer that puts their frames on it
// one at a time, each whole, in the order taken, a gap apart; what the device is assumed to show;
// the counters of the raw port that feeds it. A bridge holds one such object per line.
//
// Everything here is touched on the I/O thread only: a front end (the HTTP API, the raw port, or
// another protocol's client thread posting into the io_context) calls Submit there, and completions
// and listeners run there. The blocking line calls run on a writer thread of the line's own, which
// posts each outcome back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Asio.h"
#include "AssumedState.h"
#include "LineWriter.h"
#include "StateCorrection.h"

// A frame, or a pause when command is null: nothing goes on the line until waitMs after the step.
// A step with standbyWanted is the standby toggle, sent only when the assumed standby differs, so
// that "off" asked twice stays off; decided as its turn comes, after every frame before it.
struct Step {
    Step() = default;
    Step(const DeviceCommand* command, unsigned waitMs, std::optional<bool> standbyWanted = std::nullopt)
        : command(command), waitMs(waitMs), standbyWanted(standbyWanted) {}

    const DeviceCommand* command = nullptr;
    unsigned waitMs = 0;
    std::optional<bool> standbyWanted;
};

enum class Outcome {
    Sent,       // every frame left, and over TCP the serial server kept the connection
    QueueFull,  // refused at once: too many requests wait
    LineGone,   // refused at once: the line is not open
    Failed,     // the line did not take a frame; those in `sent` had left before
    Stopping,   // the bridge stopped before every frame had gone
};

struct Delivery {
    Outcome outcome = Outcome::Sent;
    std::string reason;           // why not sent, for anything but Sent
    std::vector<SentFrame> sent;  // what left, in order
};

struct RawCounts {
    std::uint64_t forwarded = 0;    // whole frames sent
    std::uint64_t dropped = 0;      // noise, torn frames, unknown codes, frames refused or not sent
    std::uint64_t connections = 0;  // open now
    std::uint64_t evicted = 0;      // closed, the idlest, to let a new one in
};

// Over MQTT no one is answered: what came is counted instead, in the state for all to see.
struct MqttCounts {
    std::uint64_t taken = 0;    // commands sent and corrections made
    std::uint64_t refused = 0;  // malformed, unknown, or for a line gone or busy: dropped, never sent later
};

class BridgeLine {
public:
    // A request is one entry however many steps it has; past this many waiting, refused.
    static constexpr std::size_t kCapacity = 64;
    using Completion = std::function<void(Delivery)>;
    // A frame sent, or nullptr when the line opened or went or the state was corrected.
    using Listener = std::function<void(const SentFrame*)>;

    BridgeLine(asio::io_context& io, std::string name, LineAddress address, unsigned gapMs);
    BridgeLine(const BridgeLine&) = delete;
    BridgeLine& operator=(const BridgeLine&) = delete;

    void Start();
    // The steps go out together, nothing of another request between them; `done` is called once,
    // at once when refused.
    void Submit(std::vector<Step> steps, Completion done);
    // Answers everything waiting, lets the frame being written finish, sends nothing more; `idle`
    // is called once the writer is done.
    void Stop(std::function<void()> idle);
    void Listen(Listener listener) { listeners_.push_back(std::move(listener)); }
    // For a device changed by hand: the assumption is set as told, and nothing is sent.
    void Correct(const StateCorrection& correction);

    const std::string& Name() const { return name_; }
    const std::string& Address() const { return address_.text; }
    const std::string& GoneReason() const { return goneReason_; }  // empty unless the line is gone
    std::size_t Waiting() const { return entries_.size(); }        // requests behind the one being sent
    const AssumedState& Assumed() const { return assumed_; }
    RawCounts& Raw() { return raw_; }
    MqttCounts& Mqtt() { return mqtt_; }

private:
    struct Entry {
        std::vector<Step> steps;
        Completion done;
    };

    void Open();
    void Opened(bool open, const Failure& failure);
    void RetryLater();
    void ProbeLater();
    void Pump();
    void Advance();
    void Write(const DeviceCommand& command);
    void Written(const DeviceCommand& command);
    void Confirm();
    void Complete(Outcome outcome, const std::string& reason);
    void Failed(const Failure& failure);
    void Lose(const std::string& reason);
    void MarkGone(const std::string& reason);
    void AnswerWaiting(Outcome outcome, const std::string& reason);
    void Notify(const SentFrame* frame);
    void CheckIdle();
    bool CommandsLeft() const;
    bool AlreadySo(const Step& step) const;
    // Runs `call` on the writer thread, then `then` with its result back on this one.
    void OnWriter(std::function<bool(Failure*)> call, std::function<void(bool, const Failure&)> then);

    asio::io_context& io_;
    const std::string name_;
    const LineAddress address_;
    const Clock::duration gap_;
    LineWriter writer_;  // used on writerThread_ only
    asio::thread_pool writerThread_{1};

    AssumedState assumed_;
    RawCounts raw_;
    MqttCounts mqtt_;
    std::vector<Listener> listeners_;
    std::deque<Entry> entries_;
    std::optional<Entry> current_;  // being delivered
    std::size_t step_ = 0;          // of current_
    Clock::time_point waitedFrom_;  // the last frame, or when current_ began
    Clock::duration waited_{};      // asked by the waits since then
    std::vector<SentFrame> sent_;   // of current_
    Clock::time_point notBefore_;   // the gap after the last frame, or a trailing wait
    bool open_ = false;
    bool writerBusy_ = false;
    std::string goneReason_;
    bool stopping_ = false;
    std::function<void()> idle_;
    asio::steady_timer pause_, retry_, probe_;
};
