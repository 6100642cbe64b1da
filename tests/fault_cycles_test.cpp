// A day of Connect and Disconnect on the shipped program over the fault tests' cable
// (COM8 <-> COM28), with the process's figures read before and after.
#include "Panel.h"
#include "PeerPort.h"
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "fault_support/FaultBench.h"
#include "helpers/ComDevices.h"
#include "ui/DeviceCommands.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <algorithm>
#include <ostream>
#include <vector>

namespace {

int CountFromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    const int parsed = value ? std::atoi(value) : 0;
    return parsed > 0 ? parsed : fallback;
}

// The panel started, COM8 registered and selected, the device end open.
struct PanelOnCable {
    PanelOnCable() {
        devices.Add(L"0008", L"USB Serial Port (COM8)", L"USB Serial Port", L"USB 1-1");
    }
    bool Ready() {
        if (!cable.IsLaid() || !panel.Window() || !device->IsOpen())
            return false;
        panel.Click(1000);
        panel.SelectPort(L"COM8");
        return true;
    }
    bool Connect() const {
        panel.Click(1002);
        return panel.Text(1002) == L"Disconnect";
    }

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

Figures Measure(const PanelProcess& panel, const UnixView& process) {
    return {CountThreadsOf(panel.ProcessId()), ServerHandleCount(panel.ProcessId()), process.OpenFds(),
            static_cast<long long>(CommittedBytes(panel.Process()) / 1024), process.RssKb()};
}

std::ostream& operator<<(std::ostream& out, const Figures& f) {
    return out << "threads " << f.threads << ", server handles " << f.serverHandles << ", fds " << f.fds
               << ", committed " << f.committedKb << " KiB, VmRSS " << f.rssKb << " KiB";
}

// A device that sends as fast as the line takes it, from its own thread, until stopped.
class StreamingDevice {
public:
    StreamingDevice() { thread_ = ::CreateThread(nullptr, 0, &StreamingDevice::Main, this, 0, nullptr); }
    ~StreamingDevice() { Stop(); }
    StreamingDevice(const StreamingDevice&) = delete;
    StreamingDevice& operator=(const StreamingDevice&) = delete;
    void Stop() {
        stop_ = true;
        if (thread_) {
            ::WaitForSingleObject(thread_, INFINITE);
            ::CloseHandle(thread_);
            thread_ = nullptr;
        }
    }
    bool Opened() const { return opened_; }
    long long Sent() const { return sent_; }

private:
    static DWORD WINAPI Main(void* self) {
        static_cast<StreamingDevice*>(self)->Run();
        return 0;
    }
    void Run() {
        wchar_t path[32];
        std::swprintf(path, 32, L"\\\\.\\COM%d", FaultCable::kDevicePort);
        HANDLE line = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        opened_ = line != INVALID_HANDLE_VALUE;
        if (!opened_)
            return;
        // A write returns within 100 ms with what the line took, so Stop is never held up long.
        COMMTIMEOUTS timeouts{0, 0, 0, 0, 100};
        ::SetCommTimeouts(line, &timeouts);
        const Bytes chunk(4096, 'x');
        while (!stop_) {
            DWORD written = 0;
            ::WriteFile(line, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
            sent_ += written;
        }
        ::CloseHandle(line);
    }
    std::atomic<bool> stop_{false};
    std::atomic<bool> opened_{false};
    std::atomic<long long> sent_{0};
    HANDLE thread_ = nullptr;
};

}  // namespace

TEST_CASE("Connect/Disconnect cycles leave threads, handles and memory at their baseline, with the right frame "
          "every cycle") {
    const int cycles = CountFromEnvironment("QUORVEX_CYCLES", 1000);
    constexpr int kWarmUp = 20;
    PanelOnCable bench;
    REQUIRE(bench.Ready());
    const PanelProcess& panel = bench.panel;
    const UnixView process("Quorvex.exe");
    REQUIRE(process.Found());

    int wrongFrames = 0;
    int failedConnects = 0;
    auto cycle = [&](int i) {
        if (!bench.Connect()) {
            ++failedConnects;
            return;
        }
        const DeviceCommand& command = kDeviceCommands[static_cast<size_t>(i) % kDeviceCommands.size()];
        panel.Click(static_cast<int>(command.controlId));
        const Bytes got = bench.device->Read(kFrameLength, 3000);
        if (got != Frame(command.code)) {
            if (wrongFrames == 0)
                MESSAGE("cycle " << i << ": expected " << Hex(Frame(command.code)) << ", got " << Hex(got));
            ++wrongFrames;
        }
        panel.Click(1002);
        if (panel.Text(1002) != L"connect")
            ++failedConnects;
    };

    const int idleThreads = CountThreadsOf(panel.ProcessId());
    for (int i = 0; i < kWarmUp; ++i)
        cycle(i);
    // The worker of the last cycle ends on its own after Disconnect returns.
    WaitUntil([&] { return CountThreadsOf(panel.ProcessId()) == idleThreads; }, 3000);
    const Figures before = Measure(panel, process);

    const DWORD start = ::GetTickCount();
    for (int i = 0; i < cycles; ++i) {
        cycle(kWarmUp + i);
        if (i % 250 == 249) {
            WaitUntil([&] { return CountThreadsOf(panel.ProcessId()) == before.threads; }, 3000);
            MESSAGE((i + 1) << ": " << Measure(panel, process));
        }
    }
    const double msPerCycle = static_cast<double>(::GetTickCount() - start) / cycles;
    WaitUntil([&] { return CountThreadsOf(panel.ProcessId()) == before.threads; }, 3000);
    const Figures after = Measure(panel, process);

    MESSAGE(cycles << " cycles, " << msPerCycle << " ms each\n  before: " << before << "\n  after:  " << after);
    CHECK(failedConnects == 0);
    CHECK(wrongFrames == 0);
    CHECK(after.threads == before.threads);
    CHECK(after.serverHandles - before.serverHandles <= 5);
    CHECK(after.fds - before.fds <= 5);
    // Wine itself keeps 0.5 to 1.5 KiB for every serial handle that had a line-event wait when it
    // closed (a bare program that only opens COM8, waits once and closes grows as much), so memory
    // is held to that per cycle; threads, handles and descriptors above must come back exactly.
    constexpr long kWineKbPerCycle = 2;
    CHECK(after.committedKb - before.committedKb <= 512 + kWineKbPerCycle * cycles);
    CHECK(after.rssKb - before.rssKb <= 512 + kWineKbPerCycle * cycles);
}

