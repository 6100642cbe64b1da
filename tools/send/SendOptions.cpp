#include "SendOptions.h"

#include <cctype>

#include "tools/core/CommandNames.h"

const char kSendUsage[] =
    "usage: quorvex-send [--gap MS] LINE COMMAND...\n"
    "       quorvex-send --list\n"
    "Sends each command's frame to the Quorvex multiviewer on LINE, in order, at 9600 8N1.\n"
    "  LINE      a serial line: /dev/ttyUSB0 on Linux, COM3 on Windows;\n"
    "            or tcp:HOST:PORT, a serial server's raw TCP port\n"
    "  COMMAND   a name or a two-character code from --list; case does not matter. A name is the\n"
    "            command's meaning in lower case without \"from\", \"input(s)\" and \"and\", the\n"
    "            input numbers last, joined by hyphens: quad-split, audio-3, one-large-three-small-1\n"
    "  --gap MS  milliseconds between frames (default 200: the device was made for a panel pressed\n"
    "            by hand, and each command may redraw its screen)\n"
    "  --list    the commands: name, code, frame bytes, the panel's caption, meaning\n"
    "Exit status: 0 sent, 1 the line failed while sending, 2 bad usage, 3 unknown command,\n"
    "4 no command, 5 no such line or host, 6 no permission, 7 line in use, 8 not a serial line,\n"
    "9 the server refused, 10 the server did not answer, 11 the server hung up.\n";

namespace {

Failure Usage(const std::string& message) { return {kUsage, message}; }

bool ParseGap(const std::string& text, unsigned* gapMs) {
    if (text.empty() || text.size() > 5)
        return false;
    for (unsigned char c : text)
        if (!std::isdigit(c))
            return false;
    *gapMs = static_cast<unsigned>(std::stoul(text));
    return *gapMs <= kLongestGapMs;
}

}  // namespace

SendRequest ParseSendArguments(const std::vector<std::string>& arguments) {
    SendRequest request;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            request.help = true;
            return request;
        }
        if (argument == "--list") {
            request.list = true;
        } else if (argument == "--gap") {
            if (i + 1 == arguments.size() || !ParseGap(arguments[++i], &request.gapMs)) {
                request.failure = Usage("--gap needs a number of milliseconds from 0 to 60000");
                return request;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            request.failure = Usage("unknown option \"" + argument + "\" (quorvex-send --help shows them)");
            return request;
        } else {
            positional.push_back(argument);
        }
    }
    if (request.list)
        return request;
    if (positional.empty()) {
        request.failure = Usage("which line? give LINE, then the commands (quorvex-send --help)");
        return request;
    }
    if (positional.size() == 1 && FindCommand(positional[0])) {
        request.failure = Usage("which line? give LINE before the commands: quorvex-send LINE " + positional[0]);
        return request;
    }
    if (!ParseLineAddress(positional[0], &request.line)) {
        request.failure = Usage(
            "\"" + positional[0] + "\" is not a line: " +
            (positional[0].rfind("tcp:", 0) == 0 ? kTcpAddressRule : std::string("use a tty, COMn or tcp:HOST:PORT")));
        return request;
    }
    for (std::size_t i = 1; i < positional.size(); ++i) {
        const DeviceCommand* command = FindCommand(positional[i]);
        if (!command) {
            request.failure = {kUnknownCommand, "unknown command \"" + positional[i] + "\"; the closest is " +
                                                    ClosestCommandName(positional[i]) +
                                                    " (quorvex-send --list shows them all)"};
            return request;
        }
        request.commands.push_back(command);
    }
    if (request.commands.empty())
        request.failure = {kNoCommand, "no command to send: name one or more after " + request.line.text +
                                           " (quorvex-send --list shows them)"};
    return request;
}
