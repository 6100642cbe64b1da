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
// The panel takes in 4,000 bytes in about half a second on a quiet machine, and seen in over 4 s on
// a busy one (the line itself needs 4.2 s at 9600 baud).
constexpr double kDrainGiveUpMs = 30000;
// socat passes a burst on in pieces: an empty queue is the end of it only once it stays empty.
constexpr double kQuietMs = 100;

// Until the panel's input queue has stayed empty for kQuietMs: the ms from `since` until it
// emptied, or a failure.
TimedRun DrainedAfter(const InputQueue& panelEnd, const Stopwatch& since) {
    double emptySince = -1;
    while (since.Ms() < kDrainGiveUpMs) {
        const double now = since.Ms();
        if (panelEnd.Waiting() > 0)
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
// `left` is what it had not taken yet.
TimedRun StartBurst(const PeerPort& peer, const InputQueue& panelEnd, DWORD& left) {
    if (!peer.Write(Bytes(kBurstBytes, 'x')))
        return {0, L"COM13 could not write the burst"};
    const Stopwatch sinceWrite;
    // The queue fills as socat passes the burst on and empties as the panel reads: the panel has
    // taken bytes once it is that far below the most it held.
    DWORD most = 0;
    for (;;) {
        left = panelEnd.Waiting();
        most = left > most ? left : most;
        if (most > 0 && left + kTakenBeforePress <= most)
            break;
        if (sinceWrite.Ms() > kStartGiveUpMs)
            return {0, L"the panel did not start taking a burst within 5 s"};
        ::Sleep(1);  // each look is a call to the wineserver, which the panel needs too
    }
    if (left == 0)
        return {0, L"the panel had taken a whole burst before the press"};
    return {};
}

// A press during a burst; `left` is what the panel had not taken of it at the press.
TimedRun BurstPress(HWND button, const PeerPort& peer, const InputQueue& panelEnd, const Bytes& expected, DWORD& left) {
    TimedRun run = StartBurst(peer, panelEnd, left);
    if (run.failure.empty())
        run = TimePress(button, peer, expected);
    const TimedRun drained = DrainedAfter(panelEnd, Stopwatch());
    return run.failure.empty() ? TimedRun{run.ms, drained.failure} : run;
}

TimedRun UnpressedBurst(const PeerPort& peer, const InputQueue& panelEnd) {
    const Stopwatch sinceWrite;
    if (!peer.Write(Bytes(kBurstBytes, 'x')))
        return {0, L"COM13 could not write the burst"};
    return DrainedAfter(panelEnd, sinceWrite);
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
