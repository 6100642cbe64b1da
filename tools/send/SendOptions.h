// quorvex-send's command line: the line, the commands in order, the gap between them.
#pragma once

#include <string>
#include <vector>

#include "tools/core/Failure.h"
#include "tools/core/LineAddress.h"
#include "ui/DeviceCommands.h"

struct SendRequest {
    bool help = false;
    bool version = false;
    bool list = false;
    LineAddress line;
    std::vector<const DeviceCommand*> commands;
    unsigned gapMs = kDefaultGapMs;
    Failure failure;  // exitCode set when the command line cannot be used
};

SendRequest ParseSendArguments(const std::vector<std::string>& arguments);
extern const char kSendUsage[];
