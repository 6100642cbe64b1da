#include "BridgeOptions.h"

#include <cctype>
#include <optional>

#include "Asio.h"
#include "tools/core/TcpAddress.h"

const char kBridgeUsage[] =
    "usage: quorvex-bridge [--listen HOST:PORT] [--token TOKEN] [--host-name NAME]... [--raw HOST:PORT]\n"
    "                      [--gap MS] LINE\n"
    "Holds LINE (a tty such as /dev/ttyUSB0 or a COM port such as COM3, or tcp:HOST:PORT, a serial\n"
    "server's raw TCP port) and sends the Quorvex multiviewer's frames on it for every client, one at a time.\n"
    "  --listen HOST:PORT  the HTTP API and web panel (default 127.0.0.1:8080; port 0: a free one)\n"
    "  --token TOKEN       every API call must carry \"Authorization: Bearer TOKEN\"\n"
    "  --host-name NAME    a name of this machine the API and panel may also be called by\n"
    "  --raw HOST:PORT     also take raw frames on this TCP port (off unless given)\n"
    "  --gap MS            milliseconds between frames (default 200, as quorvex-send)\n"
    "  --help, --version   this text, or the version; nothing else is done\n";

namespace {

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

BridgeOptions ParseBridgeArguments(const std::vector<std::string>& arguments) {
    BridgeOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            options.help = argument != "--version";
            options.version = !options.help;
            return options;
        }
        if (argument == "--listen") {
            if (!hasValue || !ParseListenAddress(arguments[++i], &options.listen))
                options.error = "--listen needs HOST:PORT, such as 127.0.0.1:8080";
        } else if (argument == "--raw") {
            options.raw = hasValue && ParseListenAddress(arguments[++i], &options.rawListen);
            if (!options.raw)
                options.error = "--raw needs HOST:PORT, such as 127.0.0.1:4002";
        } else if (argument == "--token") {
            if (!hasValue || arguments[++i].empty())
                options.error = "--token needs a value";
            else
                options.token = arguments[i];
        } else if (argument == "--host-name") {
            if (!hasValue || !ParseTcpAddress(arguments[++i] + ":1"))
                options.error = "--host-name needs a name, such as panel.example.lan";
            else
                options.hostNames.push_back(arguments[i]);
        } else if (argument == "--gap") {
            if (!hasValue || !ParseNumber(arguments[++i], kLongestGapMs, &options.gapMs))
                options.error = "--gap needs a number of milliseconds from 0 to 60000";
        } else if (argument.size() > 1 && argument[0] == '-') {
            options.error = "unknown option \"" + argument + "\"";
        } else {
            positional.push_back(argument);
        }
        if (!options.error.empty())
            return options;
    }
    if (positional.size() != 1)
        options.error = positional.empty() ? "which line? give LINE: a tty or tcp:HOST:PORT" : "give one LINE only";
    else if (!ParseLineAddress(positional[0], &options.line))
        options.error = "\"" + positional[0] + "\" is not a line: use a tty or tcp:HOST:PORT";
    return options;
}
