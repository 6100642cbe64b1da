// quorvex-send's command line: the line, the commands in order, the gap between them.
#pragma once

#include <string>
#include <vector>

#include "Failure.h"
#include "ui/DeviceCommands.h"

// Long enough for a device built for a panel pressed by hand; see kSendUsage.
inline constexpr unsigned kDefaultGapMs = 200;
inline constexpr unsigned kLongestGapMs = 60000;

struct LineAddress {
    std::string text;  // as given
    bool tcp = false;
    std::string path;  // a tty, or a COM port on Windows
    std::string host, port;
};

struct SendRequest {
    bool help = false;
    bool list = false;
    LineAddress line;
    std::vector<const DeviceCommand*> commands;
    unsigned gapMs = kDefaultGapMs;
    Failure failure;  // exitCode set when the command line cannot be used
};

SendRequest ParseSendArguments(const std::vector<std::string>& arguments);
extern const char kSendUsage[];
