// The bridge's MQTT options: the broker, how to log in, the name of a one-line bridge's device and
// the hub's discovery prefix. The password comes from a file or the environment only.
#pragma once

#include <string>
#include <vector>

#include "MqttClient.h"

inline constexpr char kMqttPasswordVariable[] = "QUORVEX_MQTT_PASSWORD";

struct MqttOptions {
    bool enabled = false;  // --mqtt given
    MqttSettings broker;
    std::string passwordFile;
    std::string name;  // --name: the device of a bridge with one line
    std::string discoveryPrefix = "homeassistant";
};

extern const char kMqttUsage[];

// Takes arguments[*i] when it is an MQTT option, *i then on its value; false when it is not one.
// A value that cannot be used sets *error.
bool TakeMqttOption(const std::vector<std::string>& arguments, std::size_t* i, MqttOptions* options,
                    std::string* error);
// Once every argument is read: the password, and what the options need of each other.
std::string CompleteMqttOptions(MqttOptions* options);
