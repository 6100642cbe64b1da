// quorvex-bridge's command line: the lines it holds, where it serves, and how it paces the frames.
// Everything comes from here and from the secrets' files: the bridge reads no configuration file.
#pragma once

#include <string>
#include <vector>

#include "tools/core/LineAddress.h"
#ifdef QUORVEX_MQTT
#include "mqtt/MqttOptions.h"
#endif

struct ListenAddress {
    std::string host;
    int port = 0;  // 0: the system picks a free one
    bool loopback = true;
};

struct LineOptions {
    std::string name;  // NAME of --line NAME=LINE; with LINE alone, --name or else LINE as given
    LineAddress address;
    bool raw = false;
    ListenAddress rawListen;
};

inline constexpr char kTokenVariable[] = "QUORVEX_TOKEN";

struct BridgeOptions {
    bool help = false;
    bool version = false;
    std::vector<LineOptions> lines;  // in the order given; one at least
    ListenAddress listen{"127.0.0.1", 8080, true};
    std::string token;                   // empty: the API asks for none
    std::vector<std::string> hostNames;  // more names the API may be called by
    unsigned gapMs = kDefaultGapMs;
#ifdef QUORVEX_MQTT
    MqttOptions mqtt;
#endif
    std::string error;  // set when the command line cannot be used
};

BridgeOptions ParseBridgeArguments(const std::vector<std::string>& arguments);
// localhost, or a loopback address (127.0.0.0/8, ::1) written as a number.
bool IsLoopbackHost(const std::string& host);
// HOST:PORT, the host in brackets when it is an IPv6 address.
bool ParseListenAddress(const std::string& text, ListenAddress* address);
std::string BridgeUsage();
