// One control system on the raw port: its bytes cut into frames, each whole frame of the table sent
// on the line, everything else dropped and counted. Kept open however long it is silent.
#pragma once

#include <array>
#include <memory>

#include "Asio.h"
#include "BridgeLine.h"
#include "IdleOrder.h"
#include "tools/core/FrameSplitter.h"

class RawClient : public std::enable_shared_from_this<RawClient> {
public:
    RawClient(tcp::socket socket, BridgeLine& line, IdleOrder<RawClient>& order);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void Start() { Read(); }
    void Close();

private:
    void Read();
    void WaitQuiet();
    void Take(const std::vector<LineEvent>& events);

    tcp::socket socket_;
    BridgeLine& line_;
    IdleOrder<RawClient>& order_;
    std::optional<IdleOrder<RawClient>::Place> place_;
    FrameSplitter splitter_;
    asio::steady_timer quiet_;
    std::array<std::uint8_t, 512> chunk_{};
};
