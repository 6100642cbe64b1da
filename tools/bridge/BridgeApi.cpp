#include "BridgeApi.h"

#include <algorithm>
#include <cctype>

#include "Sequence.h"
#include "Target.h"
#include "tools/core/CommandNames.h"

namespace {

const std::string kApi = "/api/";
const std::string kCommandPrefix = "/api/commands/";
const std::string kLinesPrefix = "/api/lines/";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

Response DeliveryResponse(const Delivery& delivery, bool one) {
    switch (delivery.outcome) {
        case Outcome::Sent:
            if (one && delivery.sent.empty())  // standby-on or standby-off, already so
                return JsonResponse(http::status::ok, {{"sent", nullptr},
                                                       {"note", "the standby asked is already assumed: nothing sent"}});
            return JsonResponse(http::status::ok,
                                {{"sent", one ? SentFrameJson(delivery.sent.at(0)) : SentListJson(delivery.sent)}});
        case Outcome::QueueFull: {
            Response response = ErrorResponse(http::status::too_many_requests,
                                              "the queue is full (" + std::to_string(BridgeLine::kCapacity) +
                                                  " requests waiting); try again shortly");
            response.set(http::field::retry_after, "1");
            return response;
        }
        default: {
            nlohmann::json body = {{"error", delivery.reason}};
            if (!one)
                body["sent"] = SentListJson(delivery.sent);
            return JsonResponse(http::status::service_unavailable, body);
        }
    }
}

Response CommandTable() {
    nlohmann::json table = nlohmann::json::array();
    for (const DeviceCommand& command : kDeviceCommands)
        table.push_back(CommandJson(command));
    return JsonResponse(http::status::ok, table);
}

void Send(BridgeLine& line, std::vector<Step> steps, bool one, const BridgeApi::Answer& answer) {
    line.Submit(std::move(steps), [one, answer](const Delivery& delivery) { answer(DeliveryResponse(delivery, one)); });
}

Response WrongMethod(const char* allowed) {
    Response response = ErrorResponse(http::status::method_not_allowed, std::string("use ") + allowed);
    response.set(http::field::allow, allowed);
    return response;
}

}  // namespace

std::optional<Response> BridgeApi::Refusal(const Request& request, const std::string& urlToken) const {
    if (!access_.HostAllowed(request[http::field::host]))
        return ErrorResponse(http::status::forbidden,
                             "this bridge answers only to its own address: use the address it printed at start");
    if (!StartsWith(std::string(request.target()), kApi))
        return std::nullopt;
    if (access_.FromAnotherSite(request))
        return ErrorResponse(http::status::forbidden, "requests from pages of other sites are refused");
    if (!access_.TokenGiven(request, urlToken)) {
        Response response =
            ErrorResponse(http::status::unauthorized, "give the bridge's token: Authorization: Bearer TOKEN");
        response.set(http::field::www_authenticate, "Bearer");
        return response;
    }
    return std::nullopt;
}

void BridgeApi::Handle(const Request& request, const Answer& answer) {
    if (std::optional<Response> refusal = Refusal(request)) {
        answer(std::move(*refusal));
        return;
    }
    const Target target = SplitTarget(request.target());
    if (StartsWith(target.path, kApi)) {
        HandleApi(request, target.path, answer);
        return;
    }
    const PanelAsset* asset = FindPanelAsset(target.path);
    if (!asset)
        answer(ErrorResponse(http::status::not_found, "no such page"));
    else if (request.method() != http::verb::get)
        answer(WrongMethod("GET"));
    else
        answer(AssetResponse(*asset));
}

EventHub* BridgeApi::EventsAt(const std::string& path) {
    const LinePath found = LineOf(path);
    return found.line && found.path == "/api/events" ? found.line->events : nullptr;
}

BridgeApi::LinePath BridgeApi::LineOf(const std::string& path) {
    if (!StartsWith(path, kLinesPrefix))
        return {lines_.size() == 1 ? &lines_[0] : nullptr, path};
    const std::size_t slash = path.find('/', kLinesPrefix.size());
    const std::string name = path.substr(kLinesPrefix.size(), slash - kLinesPrefix.size());
    for (ApiLine& line : lines_)
        if (line.line->Name() == name && slash != std::string::npos)
            return {&line, kApi + path.substr(slash + 1)};
    return {nullptr, path};
}

nlohmann::json BridgeApi::LinesJson() {
    nlohmann::json lines = nlohmann::json::array();
    for (const ApiLine& line : lines_)
        lines.push_back({{"name", line.line->Name()}, {"state", StateJson(*line.line, http_)}});
    return lines;
}

void BridgeApi::HandleApi(const Request& request, const std::string& path, const Answer& answer) {
    const bool get = request.method() == http::verb::get;
    const LinePath found = LineOf(path);
    if (path == "/api/commands") {
        answer(get ? CommandTable() : WrongMethod("GET"));
    } else if (path == "/api/lines") {
        answer(get ? JsonResponse(http::status::ok, LinesJson()) : WrongMethod("GET"));
    } else if (found.line) {
        HandleLineApi(*found.line->line, request, found.path, answer);
    } else if (StartsWith(path, kLinesPrefix)) {
        answer(ErrorResponse(http::status::not_found, "no such line: GET /api/lines lists them"));
    } else {
        answer(ErrorResponse(http::status::not_found, lines_.size() > 1
                                                          ? "this bridge has several lines: use /api/lines/NAME/..."
                                                          : "no such API call"));
    }
}

void BridgeApi::HandleLineApi(BridgeLine& line, const Request& request, const std::string& path, const Answer& answer) {
    const bool get = request.method() == http::verb::get, post = request.method() == http::verb::post;
    if (path == "/api/state") {
        if (request.method() == http::verb::put)
            CorrectState(line, request, answer);
        else
            answer(get ? JsonResponse(http::status::ok, StateJson(line, http_)) : WrongMethod("GET, PUT"));
    } else if (path == "/api/events") {
        answer(ErrorResponse(http::status::upgrade_required, path + " is a WebSocket"));
    } else if (path == "/api/sequence") {
        if (!post) {
            answer(WrongMethod("POST"));
            return;
        }
        ParsedSequence sequence = ParseSequence(request.body());
        if (!sequence.error.empty())
            answer(ErrorResponse(http::status::bad_request, sequence.error));
        else
            Send(line, std::move(sequence.steps), false, answer);
    } else if (StartsWith(path, kCommandPrefix) && path.find('/', kCommandPrefix.size()) == std::string::npos) {
        const std::optional<std::string> text = PercentDecoded(path.substr(kCommandPrefix.size()));
        const std::optional<Step> step = text ? FindCommandStep(*text) : std::nullopt;
        if (!step)
            answer(ErrorResponse(http::status::not_found,
                                 "unknown command \"" + text.value_or(path.substr(kCommandPrefix.size())) +
                                     "\"; the closest is " + ClosestCommandName(text.value_or(""))));
        else if (!post)
            answer(WrongMethod("POST"));
        else
            Send(line, {*step}, true, answer);
    } else {
        answer(ErrorResponse(http::status::not_found, "no such API call"));
    }
}

void BridgeApi::CorrectState(BridgeLine& line, const Request& request, const Answer& answer) {
    const StateCorrection correction = ParseStateCorrection(request.body());
    if (!correction.error.empty()) {
        answer(ErrorResponse(http::status::bad_request, correction.error));
        return;
    }
    line.Correct(correction);
    answer(JsonResponse(http::status::ok, StateJson(line, http_)));
}
