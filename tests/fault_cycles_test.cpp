// A day of Connect and Disconnect on the shipped program over the fault tests' cable
// (COM8 <-> COM28), with the process's figures read before and after.
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "fault_support/LoadBench.h"
#include "ui/DeviceCommands.h"

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

