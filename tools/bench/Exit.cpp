#include "Exit.h"

#include "BenchPrograms.h"
#include "Latency.h"
#include "PeerPort.h"
#include "Stopwatch.h"
#include "res/resource.h"
#include "ui/DeviceCommands.h"

namespace {

constexpr int kPort = 3;
constexpr int kPeer = 13;
constexpr DWORD kHangMs = 5000;
constexpr DWORD kFrameTimeoutMs = 3000;

void Close(const PanelProcess& program, CloseWay way) {
    if (way == CloseWay::Escape)
        program.PressKey(IDC_CONNECT, VK_ESCAPE);
    else
        ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

TimedRun TimeExit(const PanelProcess& program, CloseWay way) {
    const Stopwatch sinceClose;
    Close(program, way);
    DWORD code = 0;
    const bool ended = program.WaitForExit(kHangMs, &code);
    const double ms = sinceClose.Ms();
    if (!ended)
        return {ms, L"a process did not end within 5 s"};
    if (code != 0)
        return {ms, L"a process ended with code " + std::to_wstring(code)};
    return {ms, {}};
}

TimedRun PanelRun(const std::wstring& exe, const PeerPort& peer, CloseWay way) {
    const PanelProcess panel(exe);
    if (!panel.Window() || !ConnectPanel(panel, kPort))
        return {0, L"the panel did not connect on COM3"};
    peer.Discard();
    panel.Click(kBenchButton);
    if (peer.Read(kFrameLength, kFrameTimeoutMs).size() != kFrameLength)
        return {0, L"the panel's frame did not arrive"};
    return TimeExit(panel, way);
}

TimedRun FloorRun(const std::wstring& exe, CloseWay way) {
    const auto floor = StartBare(exe, kPort);
    if (!floor->Window() || floor->Text(IDC_CONNECT) != L"Disconnect")
        return {0, L"the floor did not start on COM3"};
    // Pressed as the panel is: the button keeps the focus, and gives it up, repainted, as the window goes.
    floor->Click(kBenchButton);
    return TimeExit(*floor, way);
}

}  // namespace

void TimeAlternateExits(const std::wstring& panelExe, const std::wstring& floorExe, CloseWay way, int runs,
                        Samples& panel, Samples& floor) {
    const PeerPort peer(kPeer);
    if (!peer.IsOpen()) {
        panel.problem = L"cannot open the peer COM13";
        return;
    }
    // The first run of each loads its files from disk and is not counted; the order turns each
    // run, so neither always follows the other.
    for (int run = -1; run < runs; ++run) {
        TimedRun panelRun, floorRun;
        if (run % 2 == 0) {
            panelRun = PanelRun(panelExe, peer, way);
            floorRun = FloorRun(floorExe, way);
        } else {
            floorRun = FloorRun(floorExe, way);
            panelRun = PanelRun(panelExe, peer, way);
        }
        if (run >= 0) {
            Add(panel, panelRun);
            Add(floor, floorRun);
        }
    }
}
