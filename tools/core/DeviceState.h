// What a multiviewer holds between commands: the layout on screen, the audio source, standby, and
// how often each switch command came. Apply() is the device's reaction to one command.
#pragma once

#include <string>

#include "ui/DeviceCommands.h"

enum class Layout { Single, Quad, H, SplitOneTwo, SplitThreeFour, OneLargeThreeSmall };

struct SwitchCounts {
    int mode = 0;
    int resolution = 0;
    int singleScreen = 0;
    int twoWaySplit = 0;
    int oneLargeThreeSmall = 0;
    bool operator==(const SwitchCounts& other) const;
};

struct DeviceState {
    // Power-on state: all four inputs on a quad split, sound from input 1.
    Layout layout = Layout::Quad;
    int mainInput = 1;   // the input of a single screen, or of the large window
    int audioInput = 1;  // 0 while muted
    bool standby = false;
    SwitchCounts switches;
    bool operator==(const DeviceState& other) const;
    bool operator!=(const DeviceState& other) const { return !(*this == other); }
};

// The row must come from kDeviceCommands; each row has exactly one effect.
void Apply(DeviceState& state, const DeviceCommand& command);

std::string DescribeLayout(const DeviceState& state);
std::string DescribeAudio(const DeviceState& state);
std::string DescribeSwitches(const SwitchCounts& switches);
