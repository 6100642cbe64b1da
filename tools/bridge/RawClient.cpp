#include "RawClient.h"

namespace {

// A frame's five bytes come in one write from any control system; one still open this long after
// its last byte is torn, as the device would take it.
constexpr std::chrono::milliseconds kQuiet{200};

}  // namespace

RawClient::RawClient(tcp::socket socket, BridgeLine& line, IdleOrder<RawClient>& order)
    : socket_(std::move(socket)), line_(line), order_(order), place_(order.Add(this)), quiet_(socket_.get_executor()) {
    ++line_.Raw().connections;
}

RawClient::~RawClient() {
    Close();
    --line_.Raw().connections;
}

void RawClient::Close() noexcept {
    if (place_)
        order_.Remove(*place_);
    place_.reset();
    beast::error_code ignored;
    socket_.close(ignored);
    try {
        quiet_.cancel();
    } catch (const boost::system::system_error&) {
        // a timer the system cannot cancel has nothing to wake: the socket is closed already
    }
}

void RawClient::Read() {
    socket_.async_read_some(asio::buffer(chunk_),
                            [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                if (error) {
                                    self->Take(self->splitter_.Flush());  // a frame cut by the hang-up is torn
                                    self->Close();
                                    return;
                                }
                                if (self->place_)
                                    self->order_.Touch(*self->place_);
                                self->Take(self->splitter_.Feed(self->chunk_.data(), size));
                                self->WaitQuiet();
                                self->Read();
                            });
}

void RawClient::WaitQuiet() {
    if (!splitter_.HasPending())
        return;
    quiet_.expires_after(kQuiet);
    quiet_.async_wait([self = shared_from_this()](beast::error_code error) {
        if (!error)
            self->Take(self->splitter_.Flush());
    });
}

void RawClient::Take(const std::vector<LineEvent>& events) {
    RawCounts& counts = line_.Raw();
    for (const LineEvent& event : events) {
        if (event.kind != LineEventKind::Command) {
            ++counts.dropped;
            continue;
        }
        line_.Submit({{event.command, 0}}, [&counts](const Delivery& delivery) {
            ++(delivery.outcome == Outcome::Sent ? counts.forwarded : counts.dropped);
        });
    }
}
