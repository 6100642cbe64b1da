// The HTTP side of the bridge: the JSON API and the web panel's files, on one listening address.
#pragma once

#include <memory>
#include <string>

#include "BridgeOptions.h"
#include "FrameQueue.h"
#include "RawPort.h"

namespace httplib {
class Server;
}

class HttpApi {
public:
    HttpApi(FrameQueue& queue, AssumedState& assumed, const RawCounters& raw, std::string token);
    ~HttpApi();
    HttpApi(const HttpApi&) = delete;
    HttpApi& operator=(const HttpApi&) = delete;

    // The port bound (the free one picked for port 0), or -1.
    int Bind(const ListenAddress& address);
    // Serves until Stop.
    void Serve();
    void Stop();

private:
    void Route();

    FrameQueue& queue_;
    AssumedState& assumed_;
    const RawCounters& raw_;
    const std::string token_;
    bool loopback_ = true;
    std::unique_ptr<httplib::Server> server_;
};
