// One line of the bridge with what serves it beside the HTTP API: the hub of its live events, its
// raw port if it has one, and on Linux its device on an MQTT broker. A bridge holds one per line.
// Touched on the I/O thread only; the MQTT client's thread posts what it receives there.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "BridgeApi.h"
#include "BridgeLine.h"
#include "BridgeOptions.h"
#include "EventHub.h"
#include "RawPort.h"
#ifdef QUORVEX_MQTT
#include "mqtt/MqttDevice.h"
#endif

class ServedLine {
public:
    ServedLine(asio::io_context& io, const LineOptions& options, unsigned gapMs, const HttpCounts& http);
    ServedLine(const ServedLine&) = delete;
    ServedLine& operator=(const ServedLine&) = delete;

    // The raw port bound, or false with *error set.
    bool ListenRaw(const ListenAddress& address, std::string* error);
    const RawPort* Raw() const { return raw_ ? &*raw_ : nullptr; }
#ifdef QUORVEX_MQTT
    // False with *error set when the client cannot be set up; a broker that is away is no error.
    bool JoinBroker(const MqttOptions& mqtt, std::string* error);
#endif
    void Start();
    // As BridgeLine::Stop; the hub and the broker hear it at once.
    void Stop(std::function<void()> idle);

    BridgeLine& Line() { return line_; }
    ApiLine ForApi() { return {&line_, &events_}; }

private:
#ifdef QUORVEX_MQTT
    void TakeCommand(const std::string& sequence);
    void TakeCorrection(const std::string& correction);
    void Count(bool taken, const std::string& what, const std::string& why = {});
    void PublishState();
#endif

    asio::io_context& io_;
    BridgeLine line_;
    EventHub events_;
    std::optional<RawPort> raw_;
#ifdef QUORVEX_MQTT
    const HttpCounts& http_;          // what the published state says of the HTTP side
    std::optional<MqttDevice> mqtt_;  // last: its thread posts work that uses the members above
#endif
};
