// Press-to-wire latency: a click posted to a command button, to the fifth byte of its frame at
// the far end of the cable.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct LatencySamples {
    std::vector<double> ms;  // one per press whose frame arrived whole and right
    int failures = 0;        // presses whose frame did not arrive, or arrived wrong
    std::wstring problem;    // why a program could not be measured at all
};

// The first single-screen button of the panel and of the bare writer, and its frame.
constexpr int kBenchButton = 1003;

// Presses the shipped panel's button `presses` times, connected on COM3 (which Search finds as
// a registered device), reading at COM13; appends to `samples`.
void TimePanelPresses(const std::wstring& panelExe, int presses, LatencySamples& samples);
// The same against the bare writer, which opens COM3 when it starts.
void TimeBareWriterPresses(const std::wstring& writerExe, int presses, LatencySamples& samples);
