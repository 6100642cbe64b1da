// A serial server's TCP address, HOST:PORT, by one rule for quorvex-send (tcp:HOST:PORT) and the
// simulator (--listen HOST:PORT); tools/run-panel.sh checks the same rule before socat sees it.
#pragma once

#include <optional>
#include <string>

struct TcpAddress {
    std::string host;  // an IPv6 address without its brackets
    std::string port;  // in decimal, without leading zeros
};

// Port 0 asks a listener for any free port; to connect it means nothing.
enum class PortZero { Refused, AnyFreePort };

// HOST: letters, digits, dots and hyphens, or an IPv6 address in brackets; PORT: 1 to 65535 in
// decimal. Nothing else, so that no option or second address can ride along.
std::optional<TcpAddress> ParseTcpAddress(const std::string& text, PortZero zero = PortZero::Refused);
