// A correction of the assumed state, for a device changed by hand (its own buttons, its remote):
// a JSON object with any of "layout" (a layout command's name or code), "audio" (an audio command's
// name or code, mute included) and "standby" (true or false). It sets what it names and sends nothing.
#pragma once

#include <optional>
#include <string>

#include "tools/core/DeviceState.h"

struct StateCorrection {
    const DeviceCommand* layout = nullptr;  // the command whose press would give the layout
    const DeviceCommand* audio = nullptr;
    std::optional<bool> standby;
    std::string error;  // why the text is no correction; then nothing is set
};

StateCorrection ParseStateCorrection(const std::string& text);
void Correct(DeviceState& device, const StateCorrection& correction);
