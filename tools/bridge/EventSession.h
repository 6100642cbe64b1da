// One page or client on /api/events: the handshake's answer, then each message the hub pushes, in
// order. What the client sends is read only for its pings and its close.
#pragma once

#include <array>
#include <deque>
#include <list>
#include <memory>
#include <string>

#include "Asio.h"

class EventHub;

class EventSession : public std::enable_shared_from_this<EventSession> {
public:
    EventSession(tcp::socket socket, EventHub& hub, std::list<EventSession*>::iterator place);
    ~EventSession();
    EventSession(const EventSession&) = delete;
    EventSession& operator=(const EventSession&) = delete;

    // The handshake's answer, then reading.
    void Start(std::string handshake);
    // A whole WebSocket frame; a client too slow to take the last few dozen is closed.
    void Send(std::shared_ptr<const std::string> frame);
    void Close();

private:
    void Read();
    void Take();
    void WriteNext();

    tcp::socket socket_;
    EventHub& hub_;
    const std::list<EventSession*>::iterator place_;
    std::deque<std::shared_ptr<const std::string>> out_;
    bool writing_ = false;
    bool closed_ = false;
    std::string input_;
    std::array<char, 512> chunk_{};
};
