// The discovery messages of one line's device, in the format room-automation hubs read under their
// discovery prefix: a select for the layout, a select for the audio, a switch for standby and a
// button for each switch command, every one sending the command table's own names.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "MqttTopics.h"

struct RetainedMessage {
    std::string topic;
    std::string payload;
};

std::vector<RetainedMessage> DiscoveryMessages(const std::string& prefix, const std::string& name);
