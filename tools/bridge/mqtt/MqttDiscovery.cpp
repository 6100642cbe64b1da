#include "MqttDiscovery.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "CommandGroups.h"
#include "tools/core/CommandNames.h"

namespace {

nlohmann::json Names(const std::vector<const DeviceCommand*>& commands) {
    nlohmann::json names = nlohmann::json::array();
    for (const DeviceCommand* command : commands)
        names.push_back(CommandName(*command));
    return names;
}

std::string Capitalised(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

class Device {
public:
    Device(const std::string& prefix, const std::string& name) : prefix_(prefix), name_(name), topics_(name) {}

    // An entity of this device: the fields every one has, then its own.
    RetainedMessage Entity(const std::string& component, const std::string& id, const std::string& title,
                           nlohmann::json own) const {
        own["name"] = title;
        own["unique_id"] = "quorvex-" + name_ + "-" + id;
        own["command_topic"] = topics_.command;
        own["availability_topic"] = topics_.availability;
        own["payload_available"] = "online";
        own["payload_not_available"] = "offline";
        own["device"] = {{"identifiers", {"quorvex-" + name_}},
                         {"name", "Quorvex " + name_},
                         {"manufacturer", "Quorvex"},
                         {"model", "four-input multiviewer, through quorvex-bridge"}};
        return {prefix_ + "/" + component + "/quorvex-" + name_ + "/" + id + "/config", own.dump()};
    }

    RetainedMessage Select(const std::string& id, const std::string& title,
                           const std::vector<const DeviceCommand*>& options, const std::string& field) const {
        return Entity("select", id, title,
                      {{"options", Names(options)},
                       {"state_topic", topics_.state},
                       {"value_template", "{{ value_json." + field + ".command }}"}});
    }

private:
    const std::string prefix_;
    const std::string name_;
    const MqttTopics topics_;
};

}  // namespace

std::vector<RetainedMessage> DiscoveryMessages(const std::string& prefix, const std::string& name) {
    const CommandGroups& groups = TheCommandGroups();
    const Device device(prefix, name);
    const MqttTopics topics(name);
    std::vector<RetainedMessage> messages = {
        device.Select("layout", "Layout", groups.layouts, "layout"),
        device.Select("audio", "Audio", groups.audio, "audio"),
        // Not the toggle itself: "off" twice must stay off.
        device.Entity("switch", "standby", "Standby",
                      {{"payload_on", "standby-on"},
                       {"payload_off", "standby-off"},
                       {"state_topic", topics.state},
                       {"value_template", "{{ 'standby-on' if value_json.standby else 'standby-off' }}"}}),
    };
    for (const DeviceCommand* command : groups.switches) {
        const std::string id = CommandName(*command);
        messages.push_back(device.Entity("button", id, Capitalised(command->meaning), {{"payload_press", id}}));
    }
    return messages;
}
