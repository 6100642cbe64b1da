// Who may use the API: a request by a name of this machine (no other site's name that resolves to
// it, as DNS rebinding makes), not sent by a page of another site, and carrying the token if the
// bridge has one.
#pragma once

#include <string>

#include "Asio.h"
#include "BridgeOptions.h"

using Request = http::request<http::string_body>;

class Access {
public:
    explicit Access(const BridgeOptions& options);

    // The Host header names the listen address, loopback, or a --host-name; any IP address when
    // the bridge listens on all of them. A DNS rebinding attack has only a name of its own.
    bool HostAllowed(beast::string_view host) const;
    // Origin, else Referer, else Sec-Fetch-Site says a page of another site sent it.
    bool FromAnotherSite(const Request& request) const;
    // "Authorization: Bearer TOKEN", or for a browser's WebSocket, which cannot set that header,
    // `given` (the token the URL carries).
    bool TokenGiven(const Request& request, const std::string& given) const;

private:
    bool NameAllowed(const std::string& name) const;

    std::string listenHost_;
    bool listensEverywhere_ = false;
    std::vector<std::string> hostNames_;
    std::string token_;
};
