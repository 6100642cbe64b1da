// The command table in the groups a hub shows: the commands that set the layout, those that set
// the audio source, the standby toggle and the switches that step through settings no one sees.
// Told apart by what each does to the device model, so a row added to the table lands in its group.
#pragma once

#include <vector>

#include "tools/core/DeviceState.h"

struct CommandGroups {
    std::vector<const DeviceCommand*> layouts;   // a single screen, quad, "H", splits, one large three small
    std::vector<const DeviceCommand*> audio;     // inputs 1-4 and mute
    std::vector<const DeviceCommand*> switches;  // mode, resolution and the layout-group switches
    const DeviceCommand* standby = nullptr;
};

// In the table's order.
const CommandGroups& TheCommandGroups();
// "layout", "audio", "standby" or "switch".
const char* GroupName(const DeviceCommand& command);

// The command of `commands` whose press would leave `device` as it is (the layout or the audio
// source now assumed), or nullptr.
const DeviceCommand* CurrentOf(const std::vector<const DeviceCommand*>& commands, const DeviceState& device);
