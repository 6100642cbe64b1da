#include "Latency.h"

#include <memory>
#include <random>

#include "BenchPrograms.h"
#include "PeerPort.h"
#include "Stopwatch.h"

namespace {

constexpr int kPanelPort = 3;
constexpr int kPanelPeer = 13;
constexpr int kWriterPorts[kMaxBareWriters][2] = {{4, 14}, {5, 15}, {12, 22}};  // the program's end, the far end
constexpr int kWarmUpPresses = 10;
constexpr DWORD kFrameTimeoutMs = 3000;

// One program under measurement: its process, and the far end of its cable.
struct Side {
    std::unique_ptr<PanelProcess> program;
    std::unique_ptr<PeerPort> peer;
    Samples* samples = nullptr;
    HWND button = nullptr;
};

bool StartPanel(const std::wstring& exe, Side& side) {
    side.program = std::make_unique<PanelProcess>(exe);
    if (!side.program->Window()) {
        side.samples->problem = L"the panel did not start";
        return false;
    }
    if (!ConnectPanel(*side.program, kPanelPort)) {
        side.samples->problem = L"the panel did not connect on COM3";
        return false;
    }
    return true;
}

bool StartWriter(const std::wstring& exe, int port, Side& side) {
    side.program = StartBare(exe, port);
    if (!side.program->Window()) {
        side.samples->problem = L"the bare writer did not start (COM" + std::to_wstring(port) + L" would not open?)";
        return false;
    }
    return true;
}

bool OpenPeer(int port, Side& side) {
    side.peer = std::make_unique<PeerPort>(port);
    if (side.peer->IsOpen())
        return true;
    side.samples->problem = L"cannot open the peer COM" + std::to_wstring(port);
    return false;
}

void Press(Side& side, bool counted, const Bytes& expected) {
    side.peer->Discard();
    const TimedRun run = TimePress(side.button, *side.peer, expected);
    if (counted)
        Add(*side.samples, run);
}

}  // namespace

TimedRun TimePress(HWND button, const PeerPort& peer, const Bytes& expected) {
    const Stopwatch watch;
    ::PostMessageW(button, BM_CLICK, 0, 0);
    const Bytes received = peer.Read(expected.size(), kFrameTimeoutMs);
    const double elapsed = watch.Ms();
    if (received == expected)
        return {elapsed, {}};
    if (received.size() < expected.size())
        return {elapsed, L"a frame did not arrive within 3 s"};
    const std::string hex = Hex(received);
    return {elapsed, L"a frame arrived wrong: " + std::wstring(hex.begin(), hex.end())};
}

void TimeInterleavedPresses(const std::wstring& panelExe, const std::vector<std::wstring>& writerExes, int presses,
                            Samples& panel, std::vector<Samples>& writers) {
    writers.assign(writerExes.size() < kMaxBareWriters ? writerExes.size() : kMaxBareWriters, Samples{});
    std::vector<Side> sides(writers.size() + 1);
    sides[0].samples = &panel;
    bool ready = StartPanel(panelExe, sides[0]) && OpenPeer(kPanelPeer, sides[0]);
    for (size_t i = 0; i < writers.size(); ++i) {
        sides[i + 1].samples = &writers[i];
        ready = StartWriter(writerExes[i], kWriterPorts[i][0], sides[i + 1]) &&
                OpenPeer(kWriterPorts[i][1], sides[i + 1]) && ready;
    }
    if (!ready)
        return;
    for (Side& side : sides)
        side.button = side.program->Control(kBenchButton);

    const Bytes expected = Frame("EF");
    // Uneven gaps, so presses do not fall into step with a polling period of a program or of Wine;
    // the order turns each round, so no program always follows the same one.
    std::mt19937 random(20260);
    std::uniform_int_distribution<DWORD> gapMs(3, 12);
    for (int press = -kWarmUpPresses; press < presses; ++press) {
        for (size_t k = 0; k < sides.size(); ++k) {
            Press(sides[(k + static_cast<size_t>(press + kWarmUpPresses)) % sides.size()], press >= 0, expected);
            ::Sleep(gapMs(random));
        }
    }
}
