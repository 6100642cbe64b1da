#include "EventSession.h"

#include "EventHub.h"
#include "WebSocketFrames.h"

namespace {

// A page takes each message as it comes; one this far behind is not reading.
constexpr std::size_t kMostQueued = 64;
// Pings and a close carry 125 bytes at most; a client has nothing longer to say here.
constexpr std::size_t kLongestClientFrame = 125;

}  // namespace

EventSession::EventSession(tcp::socket socket, EventHub& hub, std::list<EventSession*>::iterator place)
    : socket_(std::move(socket)), hub_(hub), place_(place) {}

EventSession::~EventSession() { hub_.Leave(place_); }

void EventSession::Start(std::string handshake) {
    Send(std::make_shared<const std::string>(std::move(handshake)));
    Read();
}

void EventSession::Send(std::shared_ptr<const std::string> frame) {
    if (closed_)
        return;
    if (out_.size() >= kMostQueued) {
        Close();
        return;
    }
    out_.push_back(std::move(frame));
    if (!writing_)
        WriteNext();
}

void EventSession::WriteNext() {
    if (out_.empty() || closed_) {
        writing_ = false;
        return;
    }
    writing_ = true;
    asio::async_write(socket_, asio::buffer(*out_.front()),
                      [self = shared_from_this()](beast::error_code error, std::size_t) {
                          if (error) {
                              self->Close();
                              return;
                          }
                          self->out_.pop_front();
                          self->WriteNext();
                      });
}

void EventSession::Read() {
    socket_.async_read_some(asio::buffer(chunk_),
                            [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                if (error) {
                                    self->Close();
                                    return;
                                }
                                self->input_.append(self->chunk_.data(), size);
                                self->Take();
                            });
}

void EventSession::Take() {
    bool bad = false;
    while (std::optional<ClientFrame> frame = TakeClientFrame(input_, kLongestClientFrame, &bad)) {
        if (frame->opcode == WebSocketOpcode::Ping) {
            Send(std::make_shared<const std::string>(ServerFrame(WebSocketOpcode::Pong, frame->payload)));
        } else if (frame->opcode == WebSocketOpcode::Close) {
            Send(std::make_shared<const std::string>(ServerFrame(WebSocketOpcode::Close, frame->payload.substr(0, 2))));
            return;  // nothing more is read; the client closes once it has the answer
        }
    }
    if (bad)
        Close();
    else
        Read();
}

void EventSession::Close() {
    if (closed_)
        return;
    closed_ = true;
    beast::error_code ignored;
    socket_.close(ignored);
}
