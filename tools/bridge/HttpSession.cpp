#include "HttpSession.h"

#include <boost/algorithm/string/predicate.hpp>

#include "HttpServer.h"
#include "Target.h"

namespace {

// A browser keeps a connection for the next request a few seconds at most.
constexpr std::chrono::seconds kIdle{5};
// From a request's first byte to its last, and for its answer to be taken.
constexpr std::chrono::seconds kRequestDeadline{10};
constexpr std::size_t kHeaderLimit = 8192;
// Bodies are a name list at most; anything longer is not meant for this API.
constexpr std::size_t kBodyLimit = 4096;
// A refused client's rest is read away for this long, so that the answer reaches it before the close.
constexpr std::chrono::seconds kLinger{1};
constexpr std::size_t kReadChunk = 4096;

beast::string_view Buffered(const beast::flat_buffer& buffer) {
    return {static_cast<const char*>(buffer.data().data()), buffer.size()};
}

// A header line continued on the next (obs-fold) is refused: proxies read it differently.
bool HasFoldedLine(beast::string_view header) {
    return header.find("\r\n ") != beast::string_view::npos || header.find("\r\n\t") != beast::string_view::npos;
}

bool IsUpgrade(const http::request<http::string_body>& request) {
    return boost::algorithm::iequals(request[http::field::upgrade], "websocket");
}

}  // namespace

HttpSession::HttpSession(tcp::socket socket, HttpServer& server) : stream_(std::move(socket)), server_(server) {
    ++server_.Counts().connections;
    List();
}

HttpSession::~HttpSession() {
    Close();
    --server_.Counts().connections;
}

void HttpSession::List() { place_ = server_.Order().Add(this); }

void HttpSession::Unlist() {
    if (place_)
        server_.Order().Remove(*place_);
    place_.reset();
}

void HttpSession::Close() {
    if (closed_)
        return;
    closed_ = true;
    Unlist();
    beast::error_code ignored;
    stream_.socket().close(ignored);
}

// Idle until the first byte; from then on the whole request has its deadline.
void HttpSession::AwaitRequest() {
    parser_.emplace();
    parser_->header_limit(kHeaderLimit);
    parser_->body_limit(kBodyLimit);
    if (buffer_.size() > 0) {
        stream_.expires_after(kRequestDeadline);
        ReadHeader();
        return;
    }
    stream_.expires_after(kIdle);
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                if (error) {
                                    self->Close();
                                    return;
                                }
                                self->buffer_.commit(size);
                                self->server_.Order().Touch(*self->place_);
                                self->stream_.expires_after(kRequestDeadline);
                                self->ReadHeader();
                            });
}

void HttpSession::ReadHeader() {
    const beast::string_view buffered = Buffered(buffer_);
    const std::size_t end = buffered.find("\r\n\r\n");
    if (end != beast::string_view::npos && end + 4 <= kHeaderLimit) {
        if (HasFoldedLine(buffered.substr(0, end + 2)))
            Refuse(http::status::bad_request, "a header line is continued on the next; send each on one line");
        else
            ReadBody();
        return;
    }
    if (buffered.size() >= kHeaderLimit) {
        Refuse(http::status::request_header_fields_too_large, "the headers are longer than 8 KB");
        return;
    }
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                if (error) {
                                    self->Close();  // a request not whole in time is dropped unanswered
                                } else {
                                    self->buffer_.commit(size);
                                    self->server_.Order().Touch(*self->place_);
                                    self->ReadHeader();
                                }
                            });
}

void HttpSession::ReadBody() {
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
        if (!error) {
            self->Dispatch(self->parser_->release());
        } else if (error == http::error::body_limit) {
            self->Refuse(http::status::payload_too_large, "the body is longer than 4096 bytes");
        } else if (error.category() == http::make_error_code(http::error::bad_target).category() &&
                   error != http::error::end_of_stream && error != http::error::partial_message) {
            self->Refuse(http::status::bad_request, "the request is not well-formed HTTP: " + error.message());
        } else {
            self->Close();
        }
    });
}

void HttpSession::Dispatch(const http::request<http::string_body>& request) {
    stream_.expires_never();
    const auto encoding = request.find(http::field::transfer_encoding);
    if (encoding != request.end() && !boost::algorithm::iequals(encoding->value(), "chunked")) {
        Refuse(http::status::bad_request, "Transfer-Encoding must be chunked, alone");
        return;
    }
    EventHub* events = IsUpgrade(request) ? server_.Api().EventsAt(SplitTarget(request.target()).path) : nullptr;
    if (events) {
        const std::string token = QueryValue(SplitTarget(request.target()).query, "token");
        if (std::optional<Response> refusal = server_.Api().Refusal(request, token)) {
            Answer(std::move(*refusal), true);
            return;
        }
        Unlist();
        closed_ = true;  // the socket is the hub's now
        events->Join(stream_.release_socket(), request);
        return;
    }
    Unlist();  // answered, not idle: not to be closed for a newcomer meanwhile
    const bool close = !request.keep_alive() || server_.Stopping();
    server_.Api().Handle(request, [self = shared_from_this(), close](Response response) {
        self->Answer(std::move(response), close || self->server_.Stopping());
    });
}

void HttpSession::Refuse(http::status status, const std::string& message) {
    Unlist();
    Answer(ErrorResponse(status, message), true);
}

void HttpSession::Answer(Response response, bool close) {
    if (closed_)
        return;
    response_ = std::move(response);
    response_.keep_alive(!close);
    stream_.expires_after(kRequestDeadline);
    http::async_write(stream_, response_, [self = shared_from_this(), close](beast::error_code error, std::size_t) {
        if (error)
            self->Close();
        else if (close)
            self->Linger();
        else {
            self->List();
            self->AwaitRequest();
        }
    });
}

// The answer is out; what the client still sends is read away until it closes or the time is up.
void HttpSession::Linger() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLinger);
    DiscardRest();
}

void HttpSession::DiscardRest() {
    buffer_.clear();
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                if (error)
                                    self->Close();
                                else
                                    self->DiscardRest();
                            });
}
