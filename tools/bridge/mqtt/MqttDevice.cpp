#include "MqttDevice.h"

#include <nlohmann/json.hpp>

#include "MqttDiscovery.h"

namespace {

std::string Trimmed(const std::string& text) {
    const char* blank = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blank);
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(blank) - first + 1);
}

}  // namespace

MqttDevice::MqttDevice(const MqttSettings& settings, const std::string& discoveryPrefix, const std::string& name,
                       Handlers handlers)
    : topics_(name),
      handlers_(std::move(handlers)),
      client_(settings, "quorvex-bridge-" + name, topics_.availability, {topics_.command, topics_.stateSet},
              [this](const std::string& topic, const std::string& payload) { Take(topic, payload); }) {
    for (const RetainedMessage& message : DiscoveryMessages(discoveryPrefix, name))
        client_.Retain(message.topic, message.payload);
}

void MqttDevice::Take(const std::string& topic, const std::string& payload) const {
    if (topic == topics_.stateSet) {
        handlers_.correction(payload);
        return;
    }
    const std::string text = Trimmed(payload);
    if (!text.empty() && text[0] == '[') {
        handlers_.command(text);
        return;
    }
    // A name is made a list of one, so that one parser reads both and refuses what it refuses; bytes
    // that are not UTF-8 become a name no command has.
    handlers_.command(nlohmann::json::array({text}).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}
