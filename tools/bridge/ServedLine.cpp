#include "ServedLine.h"

#include <iostream>

#include "Listener.h"
#include "Sequence.h"

ServedLine::ServedLine(asio::io_context& io, const LineOptions& options, unsigned gapMs, const HttpCounts& http)
    : io_(io),
      line_(io, options.name, options.address, gapMs),
      events_(line_, http)
#ifdef QUORVEX_MQTT
      ,
      http_(http)
#endif
{
}

bool ServedLine::ListenRaw(const ListenAddress& address, std::string* error) {
    std::optional<tcp::acceptor> acceptor = Listen(io_, address, error);
    if (acceptor)
        raw_.emplace(std::move(*acceptor), line_);
    return acceptor.has_value();
}

void ServedLine::Start() {
    line_.Start();
    if (raw_)
        raw_->Start();
}

void ServedLine::Stop(std::function<void()> idle) {
    events_.Stop();
    if (raw_)
        raw_->Stop();
#ifdef QUORVEX_MQTT
    if (mqtt_)
        mqtt_->GoOffline();
#endif
    line_.Stop(std::move(idle));
}

#ifdef QUORVEX_MQTT
namespace {

// As large as an HTTP body may be: no command or correction comes near it.
constexpr std::size_t kLongestPayload = 4096;

}  // namespace

bool ServedLine::JoinBroker(const MqttOptions& mqtt, std::string* error) {
    MqttDevice::Handlers handlers{
        [this](const std::string& sequence) { asio::post(io_, [this, sequence] { TakeCommand(sequence); }); },
        [this](const std::string& correction) { asio::post(io_, [this, correction] { TakeCorrection(correction); }); }};
    mqtt_.emplace(mqtt.broker, mqtt.discoveryPrefix, line_.Name(), std::move(handlers));
    if (!mqtt_->Error().empty()) {
        *error = mqtt_->Error();
        return false;
    }
    line_.Listen([this](const SentFrame*) { PublishState(); });
    PublishState();
    return true;
}

void ServedLine::PublishState() { mqtt_->PublishState(StateJson(line_, http_).dump()); }

void ServedLine::TakeCommand(const std::string& sequence) {
    ParsedSequence parsed =
        sequence.size() > kLongestPayload ? ParsedSequence{{}, "longer than 4096 bytes"} : ParseSequence(sequence);
    if (!parsed.error.empty()) {
        Count(false, sequence, parsed.error);
        return;
    }
    line_.Submit(std::move(parsed.steps), [this, sequence](const Delivery& delivery) {
        if (delivery.outcome == Outcome::Sent)
            Count(true, sequence);
        else
            Count(false, sequence, delivery.outcome == Outcome::QueueFull ? "the queue is full" : delivery.reason);
    });
}

void ServedLine::TakeCorrection(const std::string& text) {
    const StateCorrection correction = text.size() > kLongestPayload
                                           ? StateCorrection{nullptr, nullptr, {}, "longer than 4096 bytes"}
                                           : ParseStateCorrection(text);
    if (correction.error.empty())
        line_.Correct(correction);
    Count(correction.error.empty(), text, correction.error);
}

// What is refused is said in the log too, and never sent later.
void ServedLine::Count(bool taken, const std::string& what, const std::string& why) {
    ++(taken ? line_.Mqtt().taken : line_.Mqtt().refused);
    if (!taken) {
        // Quoted and escaped: a payload's line ends and controls stay out of the log's own lines.
        const std::string quoted =
            nlohmann::json(what.substr(0, 200)).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
        std::cerr << "quorvex-bridge: " << line_.Name() << ": MQTT " << quoted << " not taken: " << why << "\n";
    }
    PublishState();
}
#endif
