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

void TimeExit(const PanelProcess& program, CloseWay way, Samples& samples) {
    const Stopwatch sinceClose;
    Close(program, way);
    DWORD code = 0;
    const bool ended = program.WaitForExit(kHangMs, &code);
    const double ms = sinceClose.Ms();
    if (!ended)
        CountFailure(samples, L"a process did not end within 5 s");
    else if (code != 0)
        CountFailure(samples, L"a process ended with code " + std::to_wstring(code));
    else
        samples.ms.push_back(ms);
}

void PanelRun(const std::wstring& exe, const PeerPort& peer, CloseWay way, Samples& samples) {
    const PanelProcess panel(exe);
    if (!panel.Window() || !ConnectPanel(panel, kPort)) {
        CountFailure(samples, L"the panel did not connect on COM3");
        return;
    }
    peer.Discard();
    panel.Click(kBenchButton);
    if (peer.Read(kFrameLength, kFrameTimeoutMs).size() != kFrameLength) {
        CountFailure(samples, L"the panel's frame did not arrive");
        return;
    }
    TimeExit(panel, way, samples);
}

void FloorRun(const std::wstring& exe, CloseWay way, Samples& samples) {
    const auto floor = StartBare(exe, kPort);
    if (!floor->Window() || floor->Text(IDC_CONNECT) != L"Disconnect") {
        CountFailure(samples, L"the floor did not start on COM3");
        return;
    }
    TimeExit(*floor, way, samples);
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
    Samples firstPanel, firstFloor;
    for (int run = -1; run < runs; ++run) {
        Samples& panelRuns = run < 0 ? firstPanel : panel;
        Samples& floorRuns = run < 0 ? firstFloor : floor;
        if (run % 2 == 0) {
            PanelRun(panelExe, peer, way, panelRuns);
            FloorRun(floorExe, way, floorRuns);
        } else {
            FloorRun(floorExe, way, floorRuns);
            PanelRun(panelExe, peer, way, panelRuns);
        }
    }
}
