#include "StateCorrection.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "CommandGroups.h"
#include "tools/core/CommandNames.h"

namespace {

const char kShape[] =
    "a correction is a JSON object with any of \"layout\" (a layout's command name), \"audio\" (audio-1 to "
    "audio-4, or mute) and \"standby\" (true or false)";

std::string Names(const std::vector<const DeviceCommand*>& commands) {
    std::string names;
    for (const DeviceCommand* command : commands)
        names += (names.empty() ? "" : ", ") + CommandName(*command);
    return names;
}

// The command of `group` that `value` names, or nullptr with *error set.
const DeviceCommand* FindIn(const std::vector<const DeviceCommand*>& group, const nlohmann::json& value,
                            const std::string& key, std::string* error) {
    const DeviceCommand* command = value.is_string() ? FindCommand(value.get<std::string>()) : nullptr;
    if (command && std::find(group.begin(), group.end(), command) != group.end())
        return command;
    *error = "\"" + key + "\" is one of " + Names(group);
    return nullptr;
}

}  // namespace

StateCorrection ParseStateCorrection(const std::string& text) {
    StateCorrection correction;
    const nlohmann::json object = nlohmann::json::parse(text, nullptr, false);
    if (!object.is_object() || object.empty()) {
        correction.error = kShape;
        return correction;
    }
    const CommandGroups& groups = TheCommandGroups();
    for (const auto& [key, value] : object.items()) {
        if (key == "layout")
            correction.layout = FindIn(groups.layouts, value, key, &correction.error);
        else if (key == "audio")
            correction.audio = FindIn(groups.audio, value, key, &correction.error);
        else if (key == "standby" && value.is_boolean())
            correction.standby = value.get<bool>();
        else
            correction.error = key == "standby" ? "\"standby\" is true or false" : kShape;
        if (!correction.error.empty())
            return {nullptr, nullptr, std::nullopt, correction.error};
    }
    return correction;
}

void Correct(DeviceState& device, const StateCorrection& correction) {
    if (correction.layout)
        Apply(device, *correction.layout);
    if (correction.audio)
        Apply(device, *correction.audio);
    if (correction.standby)
        device.standby = *correction.standby;
}
