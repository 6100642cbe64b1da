// Press-to-wire latency: a click posted to a command button, to the fifth byte of its frame at
// the far end of the cable.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PeerPort.h"
#include "Samples.h"

// The first single-screen button of the panel and of the bare writers, and its frame.
constexpr int kBenchButton = 1003;
// Bare writers measured beside the panel, each on a cable of its own.
constexpr size_t kMaxBareWriters = 3;

// One press: a click posted to `button`, until as many bytes as `expected` holds have arrived at
// `peer`. A failure is a frame that did not arrive within 3 s, or arrived wrong.
TimedRun TimePress(HWND button, const PeerPort& peer, const Bytes& expected);

// Runs the shipped panel (connected on COM3, which Search finds as a registered device, read at
// COM13) and the bare writers (on COM4, COM5 and COM12, read at COM14, COM15 and COM22) at once,
// and presses each one's button `presses` times, in turn, press by press: whatever else the
// machine does meanwhile falls on all of them alike. Fills `panel` and one entry per writer; a
// failure is a press whose frame did not arrive, or arrived wrong.
void TimeInterleavedPresses(const std::wstring& panelExe, const std::vector<std::wstring>& writerExes, int presses,
                            Samples& panel, std::vector<Samples>& writers);
