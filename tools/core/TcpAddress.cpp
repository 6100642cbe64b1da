#include "TcpAddress.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsHostName(const std::string& host) {
    return !host.empty() && std::all_of(host.begin(), host.end(),
                                        [](unsigned char c) { return std::isalnum(c) != 0 || c == '.' || c == '-'; });
}

// Hex groups and colons, with dots for an IPv4 tail (::ffff:192.0.2.1).
bool IsBracketedIpv6(const std::string& host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']')
        return false;
    const std::string inside = host.substr(1, host.size() - 2);
    return inside.find(':') != std::string::npos && std::all_of(inside.begin(), inside.end(), [](unsigned char c) {
               return std::isxdigit(c) != 0 || c == ':' || c == '.';
           });
}

std::optional<unsigned> PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned number = 0;
    for (unsigned char c : text) {
        if (std::isdigit(c) == 0)
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number > 65535)
        return std::nullopt;
    return number;
}

}  // namespace

std::optional<TcpAddress> ParseTcpAddress(const std::string& text, PortZero zero) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::string host = text.substr(0, colon);
    const std::optional<unsigned> port = PortNumber(text.substr(colon + 1));
    if (!port || (*port == 0 && zero == PortZero::Refused))
        return std::nullopt;
    if (IsHostName(host))
        return TcpAddress{host, std::to_string(*port)};
    if (IsBracketedIpv6(host))
        return TcpAddress{host.substr(1, host.size() - 2), std::to_string(*port)};
    return std::nullopt;
}
