#include "HttpApi.h"

#include <httplib.h>

#include "BridgeJson.h"
#include "PanelAssets.h"
#include "Sequence.h"
#include "tools/core/CommandNames.h"

namespace {

// Bodies are a name list at most; anything longer is not meant for this API.
constexpr std::size_t kLongestBody = 4096;
// Enough for every client of a room to wait for its frame at once; past the queue's capacity
// the rest are answered 429 at once.
constexpr std::size_t kHandlerThreads = 128;
// A client that sends nothing for this long, or stops half-way through a request, is dropped.
constexpr time_t kIdleSeconds = 3;

void Answer(httplib::Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

void Refuse(httplib::Response& response, int status, const std::string& message) {
    Answer(response, status, {{"error", message}});
}

// Equal texts of the same length take the same time to compare whatever their first difference.
bool SameText(const std::string& given, const std::string& expected) {
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

// The name in a Host header, without the port and an IPv6 address's brackets.
std::string HostName(const std::string& host) {
    if (!host.empty() && host.front() == '[')
        return host.substr(1, host.find(']') - 1);
    return host.substr(0, host.find(':'));
}

// A page on another site may make the browser post here; the browser names that site in Origin.
bool FromAnotherSite(const httplib::Request& request) {
    return request.has_header("Origin") &&
           request.get_header_value("Origin") != "http://" + request.get_header_value("Host");
}

// On loopback, a name of another site that resolves to 127.0.0.1 must not let its pages in.
bool NamedAsLoopback(const httplib::Request& request) {
    return IsLoopbackHost(HostName(request.get_header_value("Host")));
}

// For the errors httplib answers by itself, before any route sees the request.
std::string ErrorText(int status) {
    switch (status) {
        case 404:
            return "no such page or API call";
        case 413:
            return "the body is longer than " + std::to_string(kLongestBody) + " bytes";
        default:
            return "the request cannot be served (HTTP " + std::to_string(status) + ")";
    }
}

// A body is not needed to send a command; one that comes is read (and limited) but not used.
bool HasBody(const httplib::Request& request) {
    return request.has_header("Content-Length") || request.get_header_value("Transfer-Encoding") == "chunked";
}

nlohmann::json SentList(const std::vector<SentFrame>& frames) {
    nlohmann::json list = nlohmann::json::array();
    for (const SentFrame& frame : frames)
        list.push_back(SentFrameJson(frame));
    return list;
}

// Queues the steps and answers once they have left, or why they did not.
void SendSteps(FrameQueue& queue, std::vector<Step> steps, bool one, httplib::Response& response) {
    Ticket ticket = queue.Submit(std::move(steps));
    if (ticket.admission == Admission::Full) {
        response.set_header("Retry-After", "1");
        Refuse(response, 429,
               "the queue is full (" + std::to_string(FrameQueue::kCapacity) + " requests waiting); try again shortly");
        return;
    }
    if (ticket.admission == Admission::LineGone) {
        Refuse(response, 503, ticket.reason);
        return;
    }
    const Delivery delivery = ticket.delivered.get();
    nlohmann::json body = {
        {"sent", one && !delivery.sent.empty() ? SentFrameJson(delivery.sent[0]) : SentList(delivery.sent)}};
    if (delivery.lineGone) {
        body["error"] = delivery.reason;
        if (one)
            body.erase("sent");
    }
    Answer(response, delivery.lineGone ? 503 : 200, body);
}

}  // namespace

HttpApi::HttpApi(FrameQueue& queue, AssumedState& assumed, const RawCounters& raw, std::string token)
    : queue_(queue),
      assumed_(assumed),
      raw_(raw),
      token_(std::move(token)),
      server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [] { return new httplib::ThreadPool(kHandlerThreads); };
    server_->set_payload_max_length(kLongestBody);
    server_->set_read_timeout(kIdleSeconds, 0);
    server_->set_write_timeout(kIdleSeconds, 0);
    server_->set_keep_alive_timeout(kIdleSeconds);
    Route();
}

HttpApi::~HttpApi() = default;

int HttpApi::Bind(const ListenAddress& address) {
    loopback_ = address.loopback;
    return address.port == 0 ? server_->bind_to_any_port(address.host)
                             : (server_->bind_to_port(address.host, address.port) ? address.port : -1);
}

void HttpApi::Serve() { server_->listen_after_bind(); }

void HttpApi::Stop() { server_->stop(); }

void HttpApi::Route() {
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (loopback_ && !NamedAsLoopback(request)) {
            Refuse(response, 403, "this bridge serves loopback only: use http://127.0.0.1 or http://localhost");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.path.rfind("/api/", 0) != 0)
            return httplib::Server::HandlerResponse::Unhandled;
        if (FromAnotherSite(request)) {
            Refuse(response, 403, "requests from pages of other sites are refused");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!token_.empty() && !SameText(request.get_header_value("Authorization"), "Bearer " + token_)) {
            response.set_header("WWW-Authenticate", "Bearer");
            Refuse(response, 401, "give the bridge's token: Authorization: Bearer TOKEN");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            Refuse(response, response.status, ErrorText(response.status));
    });

    server_->Get("/api/commands", [](const httplib::Request&, httplib::Response& response) {
        nlohmann::json table = nlohmann::json::array();
        for (const DeviceCommand& command : kDeviceCommands)
            table.push_back(CommandJson(command));
        Answer(response, 200, table);
    });
    // With a content reader, a POST without Content-Length (curl -X POST) is served, not refused.
    server_->Post(R"(/api/commands/([^/]+))", [this](const httplib::Request& request, httplib::Response& response,
                                                     const httplib::ContentReader& reader) {
        if (HasBody(request) && !reader([](const char*, std::size_t) { return true; }))
            return;  // over the limit: answered 413
        const std::string text = request.matches[1];
        const DeviceCommand* command = FindCommand(text);
        if (!command) {
            Refuse(response, 404, "unknown command \"" + text + "\"; the closest is " + ClosestCommandName(text));
            return;
        }
        SendSteps(queue_, {{command, 0}}, true, response);
    });
    server_->Post("/api/sequence", [this](const httplib::Request& request, httplib::Response& response) {
        ParsedSequence sequence = ParseSequence(request.body);
        if (!sequence.error.empty()) {
            Refuse(response, 400, sequence.error);
            return;
        }
        SendSteps(queue_, std::move(sequence.steps), false, response);
    });
    server_->Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
        const RawCounts raw{raw_.forwarded.load(), raw_.dropped.load()};
        Answer(response, 200, StateJson(assumed_.Snapshot(), {queue_.LineName(), queue_.LineGoneReason()}, raw));
    });
    server_->Get(R"(/[^/]*|/icons/[0-9]+\.png)", [](const httplib::Request& request, httplib::Response& response) {
        const PanelAsset* asset = FindPanelAsset(request.path);
        if (!asset) {
            Refuse(response, 404, "no such page");
            return;
        }
        response.set_header("Cache-Control", "no-cache");
        response.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->contentType);
    });
}
