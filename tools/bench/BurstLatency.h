// Press-to-wire during a burst: the device end of the panel's cable sends 4,000 bytes, and a command
// button is pressed while the panel is still taking them in, until the fifth byte of its frame has
// arrived at that end; beside it, the same press on the quiet line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Samples.h"

constexpr DWORD kBurstBytes = 4000;
// The press goes once the panel has taken this many bytes of the burst: its worker is then in the
// middle of reporting them, and the line brings more every 1.04 ms.
constexpr DWORD kTakenBeforePress = 10;

struct BurstFigures {
    Samples burst;                // presses made during a burst
    Samples quiet;                // the same press with nothing arriving
    std::vector<double> waiting;  // bytes of the burst not yet taken by the panel, at each press
    Samples unpressed;            // a burst nobody presses into, from the write until the panel has taken it all
};

// Runs the shipped panel connected on COM3 (its far end COM13), times a few unpressed bursts,
// then `presses` presses during a burst and as many on the quiet line, alternating, after a few
// unmeasured ones. The rest of each pressed burst is dropped at COM13 once the press is timed, and
// what the panel has not taken of it is drained before the next press. A failure is a frame that
// did not arrive or arrived wrong, a burst the panel did not start taking, or one that had all left
// COM13 before the press.
void TimeBurstPresses(const std::wstring& panelExe, int presses, BurstFigures& figures);
