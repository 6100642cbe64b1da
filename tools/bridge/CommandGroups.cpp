#include "CommandGroups.h"

#include <algorithm>

namespace {

// Two devices that differ in everything: a command sets a thing when both end up alike in it.
DeviceState FirstProbe() { return {}; }

DeviceState SecondProbe() {
    DeviceState device;
    device.layout = Layout::Single;
    device.mainInput = 2;
    device.audioInput = 0;
    device.standby = true;
    return device;
}

DeviceState Pressed(DeviceState device, const DeviceCommand& command) {
    Apply(device, command);
    return device;
}

bool SameLayout(const DeviceState& a, const DeviceState& b) {
    DeviceState layoutOnly = b;
    layoutOnly.audioInput = a.audioInput;
    layoutOnly.standby = a.standby;
    layoutOnly.switches = a.switches;
    return layoutOnly == a;
}

CommandGroups Group() {
    CommandGroups groups;
    for (const DeviceCommand& command : kDeviceCommands) {
        const DeviceState first = Pressed(FirstProbe(), command);
        const DeviceState second = Pressed(SecondProbe(), command);
        if (SameLayout(first, second))
            groups.layouts.push_back(&command);
        else if (first.audioInput == second.audioInput)
            groups.audio.push_back(&command);
        else if (first.standby != FirstProbe().standby)
            groups.standby = &command;
        else
            groups.switches.push_back(&command);
    }
    return groups;
}

}  // namespace

const CommandGroups& TheCommandGroups() {
    static const CommandGroups groups = Group();
    return groups;
}

const char* GroupName(const DeviceCommand& command) {
    const CommandGroups& groups = TheCommandGroups();
    const auto in = [&command](const std::vector<const DeviceCommand*>& group) {
        return std::find(group.begin(), group.end(), &command) != group.end();
    };
    return in(groups.layouts) ? "layout" : in(groups.audio) ? "audio" : in(groups.switches) ? "switch" : "standby";
}

const DeviceCommand* CurrentOf(const std::vector<const DeviceCommand*>& commands, const DeviceState& device) {
    for (const DeviceCommand* command : commands)
        if (Pressed(device, *command) == device)
            return command;
    return nullptr;
}
