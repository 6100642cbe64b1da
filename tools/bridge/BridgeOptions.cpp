#include "BridgeOptions.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "Asio.h"
#include "LineName.h"
#include "Secret.h"
#include "tools/core/TcpAddress.h"

namespace {

const char kUsage[] =
    "usage: quorvex-bridge [OPTION]... LINE\n"
    "       quorvex-bridge [OPTION]... --line NAME=LINE [--line NAME=LINE]...\n"
    "Holds each LINE (a tty such as /dev/ttyUSB0 or a COM port such as COM3, or tcp:HOST:PORT, a serial\n"
    "server's raw TCP port) and sends the Quorvex multiviewer's frames on it for every client, one at a time.\n"
    "  --line NAME=LINE    a line by a name of letters, digits and hyphens; the API of each is under\n"
    "                      /api/lines/NAME/ (with one line, under /api/ too)\n"
    "  --listen HOST:PORT  the HTTP API and web panel (default 127.0.0.1:8080; port 0: a free one)\n"
    "  --token TOKEN       every API call must carry \"Authorization: Bearer TOKEN\"; or the token from\n"
    "                      --token-file FILE (its first line) or the environment variable QUORVEX_TOKEN\n"
    "  --host-name NAME    a name of this machine the API and panel may also be called by\n"
    "  --raw HOST:PORT     also take raw frames on this TCP port (off unless given); with several lines,\n"
    "                      --raw NAME=HOST:PORT for each line that has one\n"
    "  --gap MS            milliseconds between frames (default 200, as quorvex-send)\n";
const char kUsageEnd[] = "  --help, --version   this text, or the version; nothing else is done\n";

bool ParseNumber(const std::string& text, unsigned limit, unsigned* number) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (unsigned char c : text) {
        if (!std::isdigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    *number = value;
    return value <= limit;
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
    boost::system::error_code error;
    const asio::ip::address address = asio::ip::make_address(host, error);
    return host == "localhost" || (!error && address.is_loopback());
}

bool ParseListenAddress(const std::string& text, ListenAddress* address) {
    const std::optional<TcpAddress> parsed = ParseTcpAddress(text, PortZero::AnyFreePort);
    if (!parsed)
        return false;
    address->host = parsed->host;
    address->port = std::stoi(parsed->port);
    address->loopback = IsLoopbackHost(parsed->host);
    return true;
}

std::string BridgeUsage() {
#ifdef QUORVEX_MQTT
    return std::string(kUsage) + kMqttUsage + kUsageEnd;
#else
    return std::string(kUsage) + kUsageEnd;
#endif
}

namespace {

// What can be settled only once every argument is read.
struct Pending {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, ListenAddress>> raws;  // a line's name (empty: the one line), and where
    std::string tokenFile;
};

// NAME=VALUE with NAME a line's name.
bool SplitNamed(const std::string& text, std::string* name, std::string* value) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || !IsLineName(text.substr(0, equals)))
        return false;
    *name = text.substr(0, equals);
    *value = text.substr(equals + 1);
    return true;
}

std::string TakeLine(const std::string& text, BridgeOptions* options) {
    LineOptions line;
    std::string address;
    if (!SplitNamed(text, &line.name, &address) || !ParseLineAddress(address, &line.address))
        return "--line needs NAME=LINE: a name of letters, digits and hyphens, and a tty or tcp:HOST:PORT";
    for (const LineOptions& other : options->lines)
        if (other.name == line.name)
            return "two lines named \"" + line.name + "\"";
    options->lines.push_back(line);
    return "";
}

std::string TakeRaw(const std::string& text, Pending* pending) {
    std::string name, address = text;
    ListenAddress listen;
    if ((SplitNamed(text, &name, &address) || address == text) && ParseListenAddress(address, &listen)) {
        pending->raws.emplace_back(name, listen);
        return "";
    }
    return "--raw needs HOST:PORT, such as 127.0.0.1:4002, or NAME=HOST:PORT for the line NAME";
}

#ifndef QUORVEX_MQTT
// MQTT needs libmosquitto, which is built for Linux only.
bool IsMqttOption(const std::string& option) {
    return option.compare(0, 6, "--mqtt") == 0 || option == "--name" || option == "--discovery-prefix";
}
#endif

// The option at arguments[*i] and its value; the error it makes, or empty.
std::string TakeOption(const std::vector<std::string>& arguments, std::size_t* i, BridgeOptions* options,
                       Pending* pending) {
    const std::string& option = arguments[*i];
#ifdef QUORVEX_MQTT
    std::string error;
    if (TakeMqttOption(arguments, i, &options->mqtt, &error))
        return error;
#else
    if (IsMqttOption(option))
        return "this quorvex-bridge has no MQTT (" + option +
               "): no MQTT client library is built for Windows; run the Linux bridge for MQTT";
#endif
    const bool hasValue = *i + 1 < arguments.size();
    const std::string value = hasValue ? arguments[++*i] : "";
    if (option == "--listen")
        return ParseListenAddress(value, &options->listen) ? "" : "--listen needs HOST:PORT, such as 127.0.0.1:8080";
    if (option == "--line")
        return TakeLine(value, options);
    if (option == "--raw")
        return TakeRaw(value, pending);
    if (option == "--token" || option == "--token-file") {
        (option == "--token" ? options->token : pending->tokenFile) = value;
        return value.empty() ? option + " needs a value" : "";
    }
    if (option == "--host-name") {
        options->hostNames.push_back(value);
        return ParseTcpAddress(value + ":1") ? "" : "--host-name needs a name, such as panel.example.lan";
    }
    if (option == "--gap")
        return ParseNumber(value, kLongestGapMs, &options->gapMs)
                   ? ""
                   : "--gap needs a number of milliseconds from 0 to 60000";
    return "unknown option \"" + option + "\"";
}

std::string SettleLines(BridgeOptions* options, const Pending& pending) {
    if (!options->lines.empty() && !pending.positional.empty())
        return "give LINE alone, or every line as --line NAME=LINE";
    if (options->lines.empty()) {
        if (pending.positional.size() != 1)
            return pending.positional.empty() ? "which line? give LINE: a tty or tcp:HOST:PORT" : "give one LINE only";
        LineOptions line;
        if (!ParseLineAddress(pending.positional[0], &line.address))
            return "\"" + pending.positional[0] + "\" is not a line: use a tty or tcp:HOST:PORT";
        line.name = line.address.text;
#ifdef QUORVEX_MQTT
        if (!options->mqtt.name.empty())
            line.name = options->mqtt.name;
        else if (options->mqtt.enabled)
            return "--mqtt needs --name NAME for LINE, the device's name on the broker";
#endif
        options->lines.push_back(line);
    }
    for (const auto& raw : pending.raws) {
        const std::string& name = raw.first;
        auto line = std::find_if(options->lines.begin(), options->lines.end(),
                                 [&name](const LineOptions& l) { return name.empty() || l.name == name; });
        if (line == options->lines.end() || (name.empty() && options->lines.size() > 1))
            return name.empty() ? "with several lines, give --raw NAME=HOST:PORT" : "--raw: no line named " + name;
        line->raw = true;
        line->rawListen = raw.second;
    }
    return "";
}

std::string SettleToken(BridgeOptions* options, const Pending& pending) {
    if (!options->token.empty() && !pending.tokenFile.empty())
        return "give --token or --token-file, not both";
    std::string error;
    if (!pending.tokenFile.empty() && !ReadSecretFile(pending.tokenFile, &options->token, &error))
        return error;
    if (options->token.empty())
        options->token = SecretFromEnvironment(kTokenVariable);
    return "";
}

}  // namespace

BridgeOptions ParseBridgeArguments(const std::vector<std::string>& arguments) {
    BridgeOptions options;
    Pending pending;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            options.help = argument != "--version";
            options.version = !options.help;
            return options;
        }
        if (argument.size() > 1 && argument[0] == '-')
            options.error = TakeOption(arguments, &i, &options, &pending);
        else
            pending.positional.push_back(argument);
    }
    if (options.error.empty())
        options.error = SettleLines(&options, pending);
#ifdef QUORVEX_MQTT
    if (options.error.empty())
        options.error = CompleteMqttOptions(&options.mqtt);
#endif
    if (options.error.empty())
        options.error = SettleToken(&options, pending);
    return options;
}
