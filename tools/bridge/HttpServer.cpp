#include "HttpServer.h"

#include "HttpSession.h"

namespace {

// Out of descriptors: the idlest connection was closed; accepting again after this pause.
constexpr std::chrono::milliseconds kAcceptPause{20};

}  // namespace

HttpServer::HttpServer(tcp::acceptor acceptor, BridgeApi& api, HttpCounts& counts, std::size_t mostConnections)
    : acceptor_(std::move(acceptor)),
      api_(api),
      mostConnections_(mostConnections),
      counts_(counts),
      pause_(acceptor_.get_executor()) {}

void HttpServer::Accept() {
    acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (stopping_)
            return;
        if (error) {
            // Out of descriptors, most likely: one is freed, and the listen queue keeps the newcomer.
            MakeRoom();
            pause_.expires_after(kAcceptPause);
            pause_.async_wait([this](beast::error_code) {
                if (!stopping_)
                    Accept();
            });
            return;
        }
        if (order_.Size() >= mostConnections_)
            MakeRoom();
        beast::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);  // an answer leaves at once, not with the next
        std::make_shared<HttpSession>(std::move(socket), *this)->Start();
        Accept();
    });
}

void HttpServer::MakeRoom() {
    if (HttpSession* idlest = order_.Idlest()) {
        idlest->Close();
        ++counts_.evicted;
    }
}

void HttpServer::Stop() {
    stopping_ = true;
    beast::error_code ignored;
    acceptor_.close(ignored);
    pause_.cancel();
    while (HttpSession* idle = order_.Idlest())
        idle->Close();
}
