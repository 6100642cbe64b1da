#include "BridgeApi.h"

#include <algorithm>
#include <cctype>

#include "Sequence.h"
#include "Target.h"
#include "tools/core/CommandNames.h"

namespace {

const std::string kApi = "/api/";
const std::string kCommandPrefix = "/api/commands/";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A command by its name exactly (in any case) or its two-character code: nothing before or after
// it, no look-alike character, so that no other text is ever taken for a command.
const DeviceCommand* ExactCommand(const std::string& text) {
    const DeviceCommand* command = FindCommand(text);
    if (!command || text.size() == 2)
        return command;
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower == CommandName(*command) ? command : nullptr;
}

Response DeliveryResponse(const Delivery& delivery, bool one) {
    switch (delivery.outcome) {
        case Outcome::Sent:
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

void BridgeApi::HandleApi(const Request& request, const std::string& path, const Answer& answer) {
    const bool get = request.method() == http::verb::get, post = request.method() == http::verb::post;
    if (path == "/api/commands") {
        answer(get ? CommandTable() : WrongMethod("GET"));
    } else if (path == "/api/state") {
        answer(get ? JsonResponse(http::status::ok, StateJson(line_, http_)) : WrongMethod("GET"));
    } else if (path == "/api/events") {
        answer(ErrorResponse(http::status::upgrade_required, "/api/events is a WebSocket"));
    } else if (path == "/api/sequence") {
        if (!post) {
            answer(WrongMethod("POST"));
            return;
        }
        ParsedSequence sequence = ParseSequence(request.body());
        if (!sequence.error.empty())
            answer(ErrorResponse(http::status::bad_request, sequence.error));
        else
            Send(std::move(sequence.steps), false, answer);
    } else if (StartsWith(path, kCommandPrefix) && path.find('/', kCommandPrefix.size()) == std::string::npos) {
        const std::optional<std::string> text = PercentDecoded(path.substr(kCommandPrefix.size()));
        const DeviceCommand* command = text ? ExactCommand(*text) : nullptr;
        if (!command)
            answer(ErrorResponse(http::status::not_found,
                                 "unknown command \"" + text.value_or(path.substr(kCommandPrefix.size())) +
                                     "\"; the closest is " + ClosestCommandName(text.value_or(""))));
        else if (!post)
            answer(WrongMethod("POST"));
        else
            Send({{command, 0}}, true, answer);
    } else {
        answer(ErrorResponse(http::status::not_found, "no such API call"));
    }
}

void BridgeApi::Send(std::vector<Step> steps, bool one, const Answer& answer) {
    line_.Submit(std::move(steps), [one, answer](Delivery delivery) { answer(DeliveryResponse(delivery, one)); });
}
