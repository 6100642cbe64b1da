// One HTTP connection: each request read whole within its own deadline, headers and body within
// their limits, checked, answered; then the next, or the connection closed once idle a few seconds.
#pragma once

#include <memory>
#include <optional>

#include "Asio.h"
#include "IdleOrder.h"
#include "Responses.h"

class HttpServer;

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(tcp::socket socket, HttpServer& server);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    void Start() { AwaitRequest(); }
    // At once, whatever it was doing: the idlest closed for a new one, or the bridge stopping.
    void Close();

private:
    void AwaitRequest();
    void ReadHeader();
    void ReadBody();
    void Dispatch(http::request<http::string_body> request);
    void Refuse(http::status status, const std::string& message);
    void Answer(Response response, bool close);
    void Linger();
    void DiscardRest();
    void List();
    void Unlist();

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    Response response_;
    HttpServer& server_;
    std::optional<IdleOrder<HttpSession>::Place> place_;  // while no request is being answered
    bool closed_ = false;
};
