#include "MqttOptions.h"

#include <optional>

#include "LineName.h"
#include "Secret.h"
#include "tools/core/TcpAddress.h"

const char kMqttUsage[] =
    "  --mqtt HOST:PORT    also be a device on this MQTT broker, per line (commands, state, discovery)\n"
    "  --name NAME         the device's name with one LINE: letters, digits, hyphens (topics quorvex/NAME/...)\n"
    "  --mqtt-user USER    log in to the broker as USER; the password from --mqtt-password-file FILE\n"
    "                      (its first line) or the environment variable QUORVEX_MQTT_PASSWORD\n"
    "  --mqtt-cafile FILE  TLS to the broker, its certificate checked against the CA certificates in FILE\n"
    "  --discovery-prefix PREFIX  where hubs look for devices (default homeassistant)\n";

namespace {

// A topic level or levels a hub subscribes under: no wildcards, no empty level.
bool IsTopicPrefix(const std::string& prefix) {
    if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string::npos)
        return false;
    return prefix.find_first_of("+#") == std::string::npos;
}

}  // namespace

bool TakeMqttOption(const std::vector<std::string>& arguments, std::size_t* i, MqttOptions* options,
                    std::string* error) {
    const std::string& option = arguments[*i];
    if (option == "--mqtt-password") {
        *error =
            "the broker's password is never taken on the command line: give --mqtt-password-file FILE or "
            "set QUORVEX_MQTT_PASSWORD";
        return true;
    }
    if (option != "--mqtt" && option != "--name" && option != "--mqtt-user" && option != "--mqtt-password-file" &&
        option != "--mqtt-cafile" && option != "--discovery-prefix")
        return false;
    const std::string value = *i + 1 < arguments.size() ? arguments[++*i] : "";
    if (option == "--mqtt") {
        const std::optional<TcpAddress> broker = ParseTcpAddress(value);
        options->enabled = broker.has_value();
        if (broker) {
            options->broker.host = broker->host;
            options->broker.port = std::stoi(broker->port);
        } else {
            *error = "--mqtt needs the broker's HOST:PORT, such as 127.0.0.1:1883";
        }
    } else if (option == "--name") {
        options->name = value;
        if (!IsLineName(value))
            *error = "--name needs a name of letters, digits and hyphens, such as rack-1";
    } else if (value.empty()) {
        *error = option + " needs a value";
    } else if (option == "--mqtt-user") {
        options->broker.user = value;
    } else if (option == "--mqtt-password-file") {
        options->passwordFile = value;
    } else if (option == "--mqtt-cafile") {
        options->broker.cafile = value;
    } else {
        options->discoveryPrefix = value;
        if (!IsTopicPrefix(value))
            *error = "--discovery-prefix needs topic levels without + or #, such as homeassistant";
    }
    return true;
}

std::string CompleteMqttOptions(MqttOptions* options) {
    const bool anyOther = !options->broker.user.empty() || !options->passwordFile.empty() ||
                          !options->broker.cafile.empty() || options->discoveryPrefix != "homeassistant";
    if (!options->enabled)
        return anyOther ? "the MQTT options need --mqtt HOST:PORT" : "";
    if (!options->passwordFile.empty() && options->broker.user.empty())
        return "--mqtt-password-file needs --mqtt-user";
    if (options->broker.user.empty())
        return "";
    std::string error;
    if (!options->passwordFile.empty() && !ReadSecretFile(options->passwordFile, &options->broker.password, &error))
        return error;
    if (options->passwordFile.empty())
        options->broker.password = SecretFromEnvironment(kMqttPasswordVariable);
    return "";
}
