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

void Cycle(const PanelProcess& program, Samples& samples) {
    const Stopwatch sinceDisconnect;
    program.Click(IDC_CONNECT);
    const bool disconnected = program.Text(IDC_CONNECT) == L"connect";
    if (disconnected)
        program.Click(IDC_CONNECT);
    // The panel's click is handled when Click returns; the wait only guards against one that is not.
    while (disconnected && program.Text(IDC_CONNECT) != L"Disconnect" && sinceDisconnect.Ms() <= kGiveUpMs)
        ::Sleep(1);
    const double ms = sinceDisconnect.Ms();
    const bool connected = program.Text(IDC_CONNECT) == L"Disconnect";
    if (!connected)
        program.Click(IDC_CONNECT);  // back to connected for the next cycle, if it will
    if (!disconnected)
        CountFailure(samples, L"a click did not disconnect");
    else if (!connected)
        CountFailure(samples, L"a click did not connect again within 5 s");
    else
        samples.ms.push_back(ms);
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
    Samples warmUp;
    for (int cycle = -kWarmUpCycles; cycle < cycles; ++cycle) {
        const auto turn = [&](const PanelProcess& side, Samples& samples) {
            Cycle(side, cycle < 0 ? warmUp : samples);
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
