// The one writer: every client's frames wait in one bounded queue and go out on the line one entry
// at a time, each whole, in the order accepted, a gap apart: from the writer thread, or from the
// thread that brought a frame to an idle line. The line is opened again while it is gone.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AssumedState.h"
#include "tools/core/Line.h"

// A frame, or a pause when command is null: nothing goes on the line until waitMs after the step.
struct Step {
    const DeviceCommand* command = nullptr;
    unsigned waitMs = 0;
};

struct Delivery {
    bool lineGone = false;  // the line failed or went away before every frame had left
    std::string reason;
    std::vector<SentFrame> sent;  // what left, in order
};

enum class Admission { Queued, Full, LineGone };

struct Ticket {
    Admission admission = Admission::Queued;
    std::string reason;               // why the line is gone
    std::future<Delivery> delivered;  // valid when queued
};

class FrameQueue {
public:
    // A request is one entry however many steps it has; more waiting than this are refused.
    static constexpr std::size_t kCapacity = 64;

    FrameQueue(LineAddress address, unsigned gapMs, AssumedState& assumed);
    ~FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // The steps go out together, nothing of another request between them.
    Ticket Submit(std::vector<Step> steps);
    // Empty while the line is open; else why it is not.
    std::string LineGoneReason() const;
    const std::string& LineName() const { return address_.text; }

private:
    struct Entry {
        std::vector<Step> steps;
        std::promise<Delivery> promise;
    };

    void Run();
    bool CanWriteAtOnce(const std::vector<Step>& steps) const;
    void Finish(Delivery& delivery, std::promise<Delivery> promise);
    void OpenOrWait(std::unique_lock<std::mutex>& hold);
    void WaitIdle(std::unique_lock<std::mutex>& hold);
    bool StillThere() const;
    Delivery Deliver(const std::vector<Step>& steps);
    bool PauseUntil(std::chrono::steady_clock::time_point when);
    void LoseLine(const std::string& reason);

    const LineAddress address_;
    const std::chrono::milliseconds gap_;
    AssumedState& assumed_;

    mutable std::mutex lock_;       // guards everything below; line_ and notBefore_ as said there
    std::condition_variable wake_;  // notified on a new entry, after a delivery others wait behind, on stopping
    std::deque<Entry> entries_;     // written by Submit (push) and the writer (pop)
    std::string goneReason_;        // written by the writer; read by Submit and LineGoneReason
    bool stopping_ = false;         // written by the destructor
    bool writing_ = false;          // set, under the lock, by the one thread delivering an entry
    // Opened and dropped under the lock while no one is writing; used by the thread that set writing_.
    std::unique_ptr<Line> line_;
    // When the next frame may go: written by the thread that set writing_, read under the lock while unset.
    std::chrono::steady_clock::time_point notBefore_;
    std::thread writer_;
};
