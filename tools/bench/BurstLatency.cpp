#include "BurstLatency.h"

#include "BenchPrograms.h"
#include "InputQueue.h"
#include "Latency.h"
#include "PeerPort.h"
#include "Stopwatch.h"

namespace {

constexpr int kPanelPort = 3;
constexpr int kPanelPeer = 13;
constexpr int kWarmUpRounds = 3;
constexpr int kUnpressedBursts = 5;
constexpr double kStartGiveUpMs = 5000;
// The line needs 4.2 s for 4,000 bytes at 9600 baud; a busy machine's panel may take seconds more.
constexpr double kDrainGiveUpMs = 30000;
// socat passes the bytes on a little after they leave: an empty queue is the end only once it stays empty.
constexpr double kQuietMs = 100;

// Until the burst has left COM13 and the panel's input queue has then stayed empty for kQuietMs:
// the ms from `since` until it emptied, or a failure.
TimedRun DrainedAfter(const PeerPort& peer, const InputQueue& panelEnd, const Stopwatch& since) {
    double emptySince = -1;
    while (since.Ms() < kDrainGiveUpMs) {
        const double now = since.Ms();
        if (panelEnd.Waiting() > 0 || peer.Unsent() > 0)
            emptySince = -1;
        else if (emptySince < 0)
            emptySince = now;
        else if (now - emptySince >= kQuietMs)
            return {emptySince, {}};
        ::Sleep(1);
    }
    return {since.Ms(), L"a burst was not drained within 30 s"};
}

// Writes the burst and waits until the panel has taken kTakenBeforePress bytes of it; on success
// `left` is what it had not taken yet. The paced cable lets the burst out of COM13's transmit queue
// at 960 bytes a second, and the panel takes each byte as it comes: its input queue stays near
// empty however much it has taken, and says nothing alone. What it has taken is what left COM13
// less what waits at COM3 (read first: a byte passing meanwhile is then counted twice, never missed).
TimedRun StartBurst(const PeerPort& peer, const InputQueue& panelEnd, DWORD& left) {
    if (!peer.Write(Bytes(kBurstBytes, 'x')))
        return {0, L"COM13 could not write the burst"};
    const Stopwatch sinceWrite;
    for (;;) {
        const DWORD waiting = panelEnd.Waiting();
        const DWORD unsent = peer.Unsent();
        left = waiting + unsent;
        if (left + kTakenBeforePress <= kBurstBytes)
            return unsent > 0 ? TimedRun{} : TimedRun{0, L"the whole burst had left COM13 before the press"};
        if (sinceWrite.Ms() > kStartGiveUpMs)
            return {0, L"the panel did not start taking a burst within 5 s"};
        ::Sleep(1);  // each look is a call to the wineserver, which the panel needs too
    }
}

// A press during a burst; `left` is what the panel had not taken of it at the press. Once the
// press is timed the rest of the burst is dropped at COM13 (a transmit purge), as a device that
// falls silent: the press is what is measured, and the next one need not wait seconds for the line.
TimedRun BurstPress(HWND button, const PeerPort& peer, const InputQueue& panelEnd, const Bytes& expected, DWORD& left) {
    TimedRun run = StartBurst(peer, panelEnd, left);
    if (run.failure.empty())
        run = TimePress(button, peer, expected);
    peer.Discard();
    const TimedRun drained = DrainedAfter(peer, panelEnd, Stopwatch());
    return run.failure.empty() ? TimedRun{run.ms, drained.failure} : run;
}

TimedRun UnpressedBurst(const PeerPort& peer, const InputQueue& panelEnd) {
    const Stopwatch sinceWrite;
    if (!peer.Write(Bytes(kBurstBytes, 'x')))
        return {0, L"COM13 could not write the burst"};
    return DrainedAfter(peer, panelEnd, sinceWrite);
}

}  // namespace

void TimeBurstPresses(const std::wstring& panelExe, int presses, BurstFigures& figures) {
    const PanelProcess panel(panelExe);
    if (!panel.Window() || !ConnectPanel(panel, kPanelPort)) {
        figures.burst.problem = L"the panel did not connect on COM3";
        return;
    }
    const PeerPort peer(kPanelPeer);
    const InputQueue panelEnd(kPanelPort);
    if (!peer.IsOpen() || !panelEnd.IsOpen()) {
        figures.burst.problem = L"cannot open COM13, or a second handle on COM3";
        return;
    }
    for (int run = 0; run < kUnpressedBursts; ++run)
        Add(figures.unpressed, UnpressedBurst(peer, panelEnd));

    const HWND button = panel.Control(kBenchButton);
    const Bytes expected = Frame("EF");
    for (int round = -kWarmUpRounds; round < presses; ++round) {
        const bool counted = round >= 0;
        // The order turns each round, so neither kind of press always follows the other.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                DWORD left = 0;
                const TimedRun run = BurstPress(button, peer, panelEnd, expected, left);
                if (counted && run.failure.empty())
                    figures.waiting.push_back(left);
                if (counted)
                    Add(figures.burst, run);
            } else {
                peer.Discard();
                const TimedRun run = TimePress(button, peer, expected);
                if (counted)
                    Add(figures.quiet, run);
            }
        }
    }
}
