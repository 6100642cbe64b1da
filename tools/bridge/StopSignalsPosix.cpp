#include "StopSignals.h"

#include <csignal>

struct StopSignals::Watch {
    explicit Watch(asio::io_context& io) : signals(io, SIGINT, SIGTERM) {}
    asio::signal_set signals;
};

StopSignals::StopSignals(asio::io_context& io, std::function<void()> stop) : watch_(std::make_unique<Watch>(io)) {
    // A client or line that went away fails its write; it must not end the bridge.
    std::signal(SIGPIPE, SIG_IGN);
    watch_->signals.async_wait([stop = std::move(stop)](const boost::system::error_code& error, int) {
        if (!error)
            stop();
    });
}

StopSignals::~StopSignals() = default;
