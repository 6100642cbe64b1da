// The shipped program on the fault tests' cable (COM8 <-> COM28) for the load tests: the panel
// ready to connect, a device that streams at full speed, and the process's figures.
#pragma once

#include "Panel.h"
#include "PeerPort.h"
#include "fault_support/FaultBench.h"
#include "helpers/ComDevices.h"

#include <atomic>
#include <memory>
#include <ostream>

// A count from the environment, or the fallback when it is unset or not positive.
int CountFromEnvironment(const char* name, int fallback);

// The panel started, COM8 registered and selected, the device end open.
struct PanelOnCable {
    PanelOnCable();
    // Searches and selects COM8, once the cable, the panel and the device end are there.
    bool Ready();
    bool Connect() const;

    FaultCable cable;
    ComDevices devices;
    PanelProcess panel;
    // Released when a streaming device takes the line over.
    std::unique_ptr<PeerPort> device = std::make_unique<PeerPort>(FaultCable::kDevicePort);
};

struct Figures {
    int threads;
    int serverHandles;
    int fds;
    long long committedKb;
    long rssKb;
};

Figures Measure(const PanelProcess& panel, const UnixView& process);
std::ostream& operator<<(std::ostream& out, const Figures& f);

// A device that sends as fast as the line takes it, from its own thread, until stopped.
class StreamingDevice {
public:
    StreamingDevice() { thread_ = ::CreateThread(nullptr, 0, &StreamingDevice::Main, this, 0, nullptr); }
    ~StreamingDevice() { Stop(); }
    StreamingDevice(const StreamingDevice&) = delete;
    StreamingDevice& operator=(const StreamingDevice&) = delete;
    void Stop();
    bool Opened() const { return opened_; }
    long long Sent() const { return sent_; }

private:
    static DWORD WINAPI Main(void* self) {
        static_cast<StreamingDevice*>(self)->Run();
        return 0;
    }
    void Run();

    std::atomic<bool> stop_{false};
    std::atomic<bool> opened_{false};
    std::atomic<long long> sent_{0};
    HANDLE thread_ = nullptr;
};
