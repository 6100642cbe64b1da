#include "Reconnect.h"

#include <random>

#include "BenchPrograms.h"
#include "Stopwatch.h"
#include "res/resource.h"

namespace {

constexpr int kPanelPort = 3;
constexpr int kFloorPort = 4;
constexpr int kWarmUpCycles = 10;
constexpr double kGiveUpMs = 5000;

TimedRun Cycle(const PanelProcess& program) {
    const Stopwatch sinceDisconnect;
    program.Click(IDC_CONNECT);
    if (program.Text(IDC_CONNECT) != L"connect")
        return {0, L"a click did not disconnect"};
    program.Click(IDC_CONNECT);
    // The panel's click is handled when Click returns; the wait only guards against one that is not.
    while (program.Text(IDC_CONNECT) != L"Disconnect") {
        if (sinceDisconnect.Ms() > kGiveUpMs) {
            program.Click(IDC_CONNECT);  // back to connected for the next cycle, if it will
            return {0, L"a click did not connect again within 5 s"};
        }
        ::Sleep(1);
    }
    return {sinceDisconnect.Ms(), {}};
}

}  // namespace

void TimeAlternateReconnects(const std::wstring& panelExe, const std::wstring& floorExe, int cycles, Samples& panel,
                             Samples& floor) {
    const PanelProcess program(panelExe);
    if (!program.Window() || !ConnectPanel(program, kPanelPort)) {
        panel.problem = L"the panel did not connect on COM3";
        return;
    }
    const auto bare = StartBare(floorExe, kFloorPort);
    if (!bare->Window() || bare->Text(IDC_CONNECT) != L"Disconnect") {
        floor.problem = L"the floor did not start on COM4";
        return;
    }
    // Uneven gaps, so cycles do not fall into step with a polling period of Wine's; the order
    // turns each cycle, so neither always follows the other.
    std::mt19937 random(20261);
    std::uniform_int_distribution<DWORD> gapMs(3, 12);
    for (int cycle = -kWarmUpCycles; cycle < cycles; ++cycle) {
        const auto turn = [&](const PanelProcess& side, Samples& samples) {
            const TimedRun run = Cycle(side);
            if (cycle >= 0)
                Add(samples, run);
            ::Sleep(gapMs(random));
        };
        if (cycle % 2 == 0) {
            turn(program, panel);
            turn(*bare, floor);
        } else {
            turn(*bare, floor);
            turn(program, panel);
        }
    }
}
