// The JSON API and the web panel's files: what each request is answered. Runs on the I/O thread;
// a request that sends frames is answered once its line has sent them, or why not. Each line's API
// is under /api/lines/NAME/; a bridge with one line has it under /api/ as well.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Access.h"
#include "BridgeJson.h"
#include "BridgeLine.h"
#include "Responses.h"

class EventHub;

// A line as the API serves it: the line, and the hub of its live events.
struct ApiLine {
    BridgeLine* line;
    EventHub* events;
};

class BridgeApi {
public:
    using Answer = std::function<void(Response)>;

    BridgeApi(std::vector<ApiLine> lines, const Access& access, const HttpCounts& http)
        : lines_(std::move(lines)), access_(access), http_(http) {}

    // A refusal of the request as a whole: its Host, the site that sent it, its token (which a
    // WebSocket may give in the URL instead); nullopt when it may go on.
    std::optional<Response> Refusal(const Request& request, const std::string& urlToken = {}) const;
    void Handle(const Request& request, const Answer& answer);
    // The hub of /api/events (one line) or /api/lines/NAME/events; nullptr for any other path.
    EventHub* EventsAt(const std::string& path);

private:
    struct LinePath {
        ApiLine* line;     // nullptr for none
        std::string path;  // as a bridge with one line has it: /api/lines/NAME/REST is /api/REST
    };
    // The line a path is about.
    LinePath LineOf(const std::string& path);
    void HandleApi(const Request& request, const std::string& path, const Answer& answer);
    void HandleLineApi(BridgeLine& line, const Request& request, const std::string& path, const Answer& answer);
    void CorrectState(BridgeLine& line, const Request& request, const Answer& answer);
    nlohmann::json LinesJson();

    std::vector<ApiLine> lines_;
    const Access& access_;
    const HttpCounts& http_;
};
