// One line of the bridge as a device on the broker: its discovery messages and availability, its
// assumed state, and the commands and corrections published to it. The callbacks run on the MQTT
// client's network thread: the line's owner passes them on to the line's own thread.
#pragma once

#include <functional>
#include <string>

#include "MqttClient.h"
#include "MqttTopics.h"

class MqttDevice {
public:
    struct Handlers {
        // A command name or code, as a one-step list, or a list as posted to /api/sequence.
        std::function<void(const std::string& sequence)> command;
        std::function<void(const std::string& correction)> correction;
    };

    MqttDevice(const MqttSettings& settings, const std::string& discoveryPrefix, const std::string& name,
               Handlers handlers);

    const std::string& Error() const { return client_.Error(); }
    void PublishState(const std::string& stateJson) { client_.Retain(topics_.state, stateJson); }
    // The bridge is stopping: the hub hears it now, not once the process has ended.
    void GoOffline() { client_.Retain(topics_.availability, "offline"); }

private:
    void Take(const std::string& topic, const std::string& payload) const;

    const MqttTopics topics_;
    const Handlers handlers_;
    MqttClient client_;  // last: its thread calls Take, which uses the members above
};
