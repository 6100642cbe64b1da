#include "SendOptions.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "tools/core/CommandNames.h"
#include "tools/core/TcpAddress.h"

const char kSendUsage[] =
    "usage: quorvex-send [--gap MS] LINE COMMAND...\n"
    "       quorvex-send --list | --help | --version\n"
    "Sends each command's frame to the Quorvex multiviewer on LINE, in order, at 9600 8N1.\n"
    "  LINE      a serial line: /dev/ttyUSB0 on Linux, COM3 on Windows;\n"
    "            or tcp:HOST:PORT, a serial server's raw TCP port\n"
    "  COMMAND   a name or a two-character code from --list; case does not matter. A name is the\n"
    "            command's meaning in lower case without \"from\", \"input(s)\" and \"and\", the\n"
    "            input numbers last, joined by hyphens: quad-split, audio-3, one-large-three-small-1\n"
    "  --gap MS  milliseconds between frames (default 200: the device was made for a panel pressed\n"
    "            by hand, and each command may redraw its screen)\n"
    "  --list    the commands: name, code, frame bytes, the panel's caption, meaning\n"
    "  --version the version\n"
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

bool IsComName(const std::string& text) {
    return text.size() > 3 && (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
           (text[2] == 'M' || text[2] == 'm') && text.find_first_not_of("0123456789", 3) == std::string::npos;
}

// A tty path, a COM port or a serial server's address, where a command was expected.
bool LooksLikeLine(const std::string& text) {
    return text.find('/') != std::string::npos || text.rfind("tcp:", 0) == 0 || IsComName(text) ||
           ParseTcpAddress(text).has_value();
}

// HOST:PORT without its "tcp:" would be taken for a tty of that name.
bool IsBareTcpAddress(const std::string& text) {
    return text.find('/') == std::string::npos && ParseTcpAddress(text).has_value();
}

std::optional<Failure> LineProblem(const std::string& text, LineAddress* line) {
    if (IsBareTcpAddress(text))
        return Usage("\"" + text +
                     "\" is not a line: a serial server's TCP port is written tcp:HOST:PORT, here tcp:" + text);
    if (!ParseLineAddress(text, line))
        return Usage("\"" + text + "\" is not a line: " +
                     (text.rfind("tcp:", 0) == 0 ? kTcpAddressRule : std::string("use a tty, COMn or tcp:HOST:PORT")));
    return std::nullopt;
}

// A command where the line belongs: the line given after it, or not at all.
std::string LineNotFirst(const std::vector<std::string>& positional) {
    const auto line = std::find_if(positional.begin(), positional.end(), LooksLikeLine);
    std::string commands;
    for (const std::string& argument : positional)
        if (line == positional.end() || argument != *line)
            commands += " " + argument;
    if (line == positional.end())
        return "which line? give LINE before the commands: quorvex-send LINE" + commands;
    return "\"" + *line + "\" is a line, not a command: give the line first (quorvex-send " + *line + commands + ")";
}

Failure UnknownCommand(const std::string& text) {
    if (LooksLikeLine(text))
        return Usage("\"" + text + "\" is a line, not a command: quorvex-send takes one line, first");
    return {kUnknownCommand, "unknown command \"" + text + "\"; the closest is " + ClosestCommandName(text) +
                                 " (quorvex-send --list shows them all)"};
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
        if (argument == "--version") {
            request.version = true;
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
    if (FindCommand(positional[0])) {
        request.failure = Usage(LineNotFirst(positional));
        return request;
    }
    if (const auto problem = LineProblem(positional[0], &request.line)) {
        request.failure = *problem;
        return request;
    }
    for (std::size_t i = 1; i < positional.size(); ++i) {
        const DeviceCommand* command = FindCommand(positional[i]);
        if (!command) {
            request.failure = UnknownCommand(positional[i]);
            return request;
        }
        request.commands.push_back(command);
    }
    if (request.commands.empty())
        request.failure = {kNoCommand, "no command to send: name one or more after " + request.line.text +
                                           " (quorvex-send --list shows them)"};
    return request;
}
