// The topics of one line's device on the broker, all under quorvex/NAME/.
#pragma once

#include <string>

struct MqttTopics {
    explicit MqttTopics(const std::string& name)
        : command("quorvex/" + name + "/command"),
          state("quorvex/" + name + "/state"),
          stateSet("quorvex/" + name + "/state/set"),
          availability("quorvex/" + name + "/availability") {}

    std::string command;       // a command name or code, or a JSON list as a sequence takes
    std::string state;         // the assumed state as JSON, retained
    std::string stateSet;      // a correction of the assumed state; sends nothing
    std::string availability;  // online / offline, retained; offline is also the will
};
