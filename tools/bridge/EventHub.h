// Live state for every open page and any client: /api/events, a WebSocket that carries the assumed
// state at once and again whenever it changes, with each frame sent.
#pragma once

#include <list>

#include "Access.h"
#include "BridgeJson.h"
#include "BridgeLine.h"

class EventSession;

class EventHub {
public:
    EventHub(BridgeLine& line, const HttpCounts& http);

    // Takes the connection of an upgrade request its caller has let in: the handshake answered, or
    // refused with 400 when it is not a WebSocket one.
    void Join(tcp::socket socket, const Request& request);
    void Leave(std::list<EventSession*>::iterator place) { sessions_.erase(place); }
    void Stop();

private:
    void Push(const SentFrame* frame);
    std::string StateMessage(const SentFrame* frame) const;

    BridgeLine& line_;
    const HttpCounts& http_;
    std::list<EventSession*> sessions_;  // oldest first
};
