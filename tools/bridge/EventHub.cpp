#include "EventHub.h"

#include "EventSession.h"
#include "Responses.h"
#include "WebSocketFrames.h"

namespace {

// Pages open at once; past this the one open longest is closed.
constexpr std::size_t kMostSessions = 256;

void RefuseUpgrade(tcp::socket socket, const std::string& message) {
    auto held = std::make_shared<std::pair<tcp::socket, Response>>(std::move(socket),
                                                                   ErrorResponse(http::status::bad_request, message));
    held->second.keep_alive(false);
    http::async_write(held->first, held->second, [held](beast::error_code, std::size_t) {});
}

}  // namespace

EventHub::EventHub(BridgeLine& line, const HttpCounts& http) : line_(line), http_(http) {
    line_.Listen([this](const SentFrame* frame) { Push(frame); });
}

void EventHub::Join(tcp::socket socket, const Request& request) {
    const std::string key(request["Sec-WebSocket-Key"]);
    if (request["Sec-WebSocket-Version"] != "13" || key.empty()) {
        RefuseUpgrade(std::move(socket), "a WebSocket of version 13 with its Sec-WebSocket-Key is expected");
        return;
    }
    if (sessions_.size() >= kMostSessions)
        sessions_.front()->Close();
    const auto place = sessions_.insert(sessions_.end(), nullptr);
    auto session = std::make_shared<EventSession>(std::move(socket), *this, place);
    *place = session.get();
    session->Start(
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Accept: " +
        WebSocketAccept(key) + "\r\n\r\n" + StateMessage(nullptr));
}

std::string EventHub::StateMessage(const SentFrame* frame) const {
    nlohmann::json message = {{"type", frame ? "sent" : "state"}, {"state", StateJson(line_, http_)}};
    if (frame)
        message["frame"] = SentFrameJson(*frame);
    return ServerFrame(WebSocketOpcode::Text, message.dump());
}

void EventHub::Push(const SentFrame* frame) {
    if (sessions_.empty())
        return;
    const auto message = std::make_shared<const std::string>(StateMessage(frame));
    for (EventSession* session : std::list<EventSession*>(sessions_))
        session->Send(message);
}

void EventHub::Stop() {
    for (EventSession* session : std::list<EventSession*>(sessions_))
        session->Close();
}
