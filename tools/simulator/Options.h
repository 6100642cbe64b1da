// The simulator's command line:
//   quorvex-simulator [--log FILE] [--reply HEX] [--send HEX] [--no-picture] LINE | --listen HOST:PORT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/core/TcpAddress.h"

struct Options {
    std::string line;                    // tty or pty path
    std::optional<TcpAddress> listen;    // or HOST:PORT, to play the device behind a serial server
    std::string logPath;                 // empty: terminal only
    std::vector<std::uint8_t> reply;     // sent back after every command frame
    std::vector<std::uint8_t> greeting;  // sent once when the line is open, or to each TCP client
    bool pictures = true;
    bool help = false;     // print the usage and end
    bool version = false;  // print the version and end
    std::string error;     // set when the command line cannot be used
};

Options ParseOptions(const std::vector<std::string>& arguments);
extern const char kUsage[];
