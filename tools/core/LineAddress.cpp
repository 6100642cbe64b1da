#include "LineAddress.h"

#include <optional>

#include "TcpAddress.h"

const char kTcpAddressRule[] =
    "tcp:HOST:PORT takes a host of letters, digits, dots and hyphens or an IPv6 address in brackets, and a port "
    "from 1 to 65535";

bool ParseLineAddress(const std::string& text, LineAddress* line) {
    line->text = text;
    if (text.rfind("tcp:", 0) == 0) {
        const std::optional<TcpAddress> address = ParseTcpAddress(text.substr(4));
        if (!address)
            return false;
        line->tcp = true;
        line->host = address->host;
        line->port = address->port;
        return true;
    }
    line->path = text;
    return !text.empty();
}
