// The JSON API and the web panel's files: what each request is answered. Runs on the I/O thread;
// a request that sends frames is answered once its line has sent them, or why not.
#pragma once

#include <functional>
#include <optional>

#include "Access.h"
#include "BridgeJson.h"
#include "BridgeLine.h"
#include "Responses.h"

class BridgeApi {
public:
    using Answer = std::function<void(Response)>;

    BridgeApi(BridgeLine& line, const Access& access, const HttpCounts& http)
        : line_(line), access_(access), http_(http) {}

    // A refusal of the request as a whole: its Host, the site that sent it, its token (which a
    // WebSocket may give in the URL instead); nullopt when it may go on.
    std::optional<Response> Refusal(const Request& request, const std::string& urlToken = {}) const;
    void Handle(const Request& request, const Answer& answer);
    BridgeLine& Line() { return line_; }

private:
    void HandleApi(const Request& request, const std::string& path, const Answer& answer);
    void Send(std::vector<Step> steps, bool one, const Answer& answer);

    BridgeLine& line_;
    const Access& access_;
    const HttpCounts& http_;
};
