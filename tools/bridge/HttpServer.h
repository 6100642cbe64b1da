// The HTTP side of the bridge on one listening socket: connections accepted without limit of
// threads, up to a cap well above what a building needs; past it the connection idle longest is
// closed to let the new one in, and counted.
#pragma once

#include <memory>

#include "Asio.h"
#include "BridgeApi.h"
#include "EventHub.h"
#include "IdleOrder.h"

class HttpSession;

class HttpServer {
public:
    HttpServer(tcp::acceptor acceptor, BridgeApi& api, HttpCounts& counts, std::size_t mostConnections);

    void Start() { Accept(); }
    // No more connections; those idle or reading are closed, those waiting for their line are
    // answered as it answers them, then closed.
    void Stop();
    bool Stopping() const { return stopping_; }

    BridgeApi& Api() { return api_; }
    IdleOrder<HttpSession>& Order() { return order_; }
    HttpCounts& Counts() { return counts_; }

private:
    void Accept();
    void MakeRoom();

    tcp::acceptor acceptor_;
    BridgeApi& api_;
    const std::size_t mostConnections_;
    IdleOrder<HttpSession> order_;
    HttpCounts& counts_;
    asio::steady_timer pause_;
    bool stopping_ = false;
};
