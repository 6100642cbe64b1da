#include "Latency.h"

#include <random>

#include "Panel.h"
#include "PeerPort.h"
#include "Stopwatch.h"
#include "ui/DeviceCommands.h"

namespace {

constexpr int kPanelPort = 3;
constexpr int kPeerPort = 13;
constexpr int kWarmUpPresses = 10;
constexpr DWORD kFrameTimeoutMs = 3000;
constexpr int kSearch = 1000;
constexpr int kConnect = 1002;

void TimePresses(HWND button, int presses, LatencySamples& samples) {
    PeerPort peer(kPeerPort);
    if (!peer.IsOpen()) {
        samples.problem = L"cannot open the peer COM13";
        return;
    }
    const Bytes expected = Frame("EF");
    // Uneven gaps, so presses do not fall into step with a polling period of the program or Wine.
    std::mt19937 random(20260);
    std::uniform_int_distribution<DWORD> gapMs(3, 12);
    for (int press = -kWarmUpPresses; press < presses; ++press) {
        peer.Discard();
        Stopwatch watch;
        ::PostMessageW(button, BM_CLICK, 0, 0);
        const Bytes received = peer.Read(kFrameLength, kFrameTimeoutMs);
        const double elapsed = watch.Ms();
        if (press >= 0) {
            if (received == expected)
                samples.ms.push_back(elapsed);
            else
                ++samples.failures;
        }
        ::Sleep(gapMs(random));
    }
}

}  // namespace

void TimePanelPresses(const std::wstring& panelExe, int presses, LatencySamples& samples) {
    PanelProcess panel(panelExe);
    if (!panel.Window()) {
        samples.problem = L"the panel did not start";
        return;
    }
    panel.Click(kSearch);
    panel.SelectPort(L"COM" + std::to_wstring(kPanelPort));
    panel.Click(kConnect);
    if (panel.Text(kConnect) != L"Disconnect") {
        samples.problem = L"the panel did not connect on COM3";
        return;
    }
    TimePresses(panel.Control(kBenchButton), presses, samples);
}

void TimeBareWriterPresses(const std::wstring& writerExe, int presses, LatencySamples& samples) {
    PanelProcess writer(writerExe);
    if (!writer.Window()) {
        samples.problem = L"the bare writer did not start (COM3 would not open?)";
        return;
    }
    TimePresses(writer.Control(kBenchButton), presses, samples);
}
