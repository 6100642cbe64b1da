// The raw TCP port for control systems that speak bytes, on a line: connections kept however long
// they are silent, as control systems keep them for days; at most 64, and past that the one idle
// longest is closed to let the new one in, and counted.
#pragma once

#include "Asio.h"
#include "BridgeLine.h"
#include "IdleOrder.h"

class RawClient;

class RawPort {
public:
    static constexpr std::size_t kMostClients = 64;

    RawPort(tcp::acceptor acceptor, BridgeLine& line) : acceptor_(std::move(acceptor)), line_(line) {}

    void Start() { Accept(); }
    void Stop();
    unsigned short Port() const { return acceptor_.local_endpoint().port(); }

private:
    void Accept();

    tcp::acceptor acceptor_;
    BridgeLine& line_;
    IdleOrder<RawClient> order_;
};
