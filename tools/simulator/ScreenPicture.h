// A small text picture of the multiviewer's screen: its windows with the input each one shows,
// and the audio, standby and switch lines under it.
#pragma once

#include <string>
#include <vector>

#include "tools/core/DeviceState.h"

struct ScreenWindow {
    int left, top, right, bottom;  // border lines on a 36 x 12 character grid
    int input;
};

std::vector<ScreenWindow> WindowsOf(const DeviceState& state);
std::string DrawScreen(const DeviceState& state);
