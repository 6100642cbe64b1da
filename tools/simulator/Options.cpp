#include "Options.h"

#include "tools/core/Hex.h"

const char kUsage[] =
    "usage: quorvex-simulator [--log FILE] [--reply HEX] [--send HEX] [--no-picture] LINE\n"
    "       quorvex-simulator [options] --listen HOST:PORT\n"
    "       quorvex-simulator --help | --version\n"
    "  LINE          the tty or pty of the multiviewer's end of the cable (9600 8N1)\n"
    "  --listen HOST:PORT  instead, the device behind a serial server: its raw TCP port, one\n"
    "                client at a time (port 0: any free port, named in the log)\n"
    "  --log FILE    also write everything to FILE\n"
    "  --reply HEX   send these bytes back after every command frame, e.g. --reply '4F 4B 0A'\n"
    "  --send HEX    send these bytes once, as soon as the line is open\n"
    "  --no-picture  log the frames only, without the screen pictures\n";

namespace {

bool TakeHex(const std::string& name, const std::string& value, std::vector<std::uint8_t>* into, Options* options) {
    const auto bytes = ParseHex(value);
    if (!bytes) {
        options->error = name + " needs pairs of hex digits, not \"" + value + "\"";
        return false;
    }
    *into = *bytes;
    return true;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            options.help = argument != "--version";
            options.version = argument == "--version";
            return options;
        }
        if (argument == "--no-picture") {
            options.pictures = false;
        } else if ((argument == "--log" || argument == "--reply" || argument == "--send" || argument == "--listen") &&
                   !hasValue) {
            options.error = argument + " needs a value";
        } else if (argument == "--log") {
            options.logPath = arguments[++i];
        } else if (argument == "--listen") {
            options.listen = ParseTcpAddress(arguments[++i], PortZero::AnyFreePort);
            if (!options.listen)
                options.error =
                    "--listen needs HOST:PORT (a host of letters, digits, dots and hyphens or an IPv6 "
                    "address in brackets, a port from 0 to 65535), such as 127.0.0.1:7000, not \"" +
                    arguments[i] + "\"";
        } else if (argument == "--reply") {
            TakeHex(argument, arguments[++i], &options.reply, &options);
        } else if (argument == "--send") {
            TakeHex(argument, arguments[++i], &options.greeting, &options);
        } else if (argument.rfind("--", 0) == 0 || !options.line.empty()) {
            options.error = "unexpected argument \"" + argument + "\"";
        } else {
            options.line = argument;
        }
        if (!options.error.empty())
            return options;
    }
    if (options.line.empty() == !options.listen)
        options.error = "which line? give the tty or pty path, or --listen HOST:PORT (not both)";
    return options;
}
