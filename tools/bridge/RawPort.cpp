#include "RawPort.h"

#include "RawClient.h"

void RawPort::Accept() {
    acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted)
            return;
        if (!error) {
            if (order_.Size() >= kMostClients) {
                order_.Idlest()->Close();
                ++line_.Raw().evicted;
            }
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            std::make_shared<RawClient>(std::move(socket), line_, order_)->Start();
        }
        Accept();
    });
}

void RawPort::Stop() {
    beast::error_code ignored;
    acceptor_.close(ignored);
    while (RawClient* client = order_.Idlest())
        client->Close();
}
