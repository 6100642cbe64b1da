#include "ServedLine.h"

#include <iostream>

#include "Listener.h"
#include "Sequence.h"

ServedLine::ServedLine(asio::io_context& io, const LineOptions& options, unsigned gapMs, const HttpCounts& http)
    : io_(io), http_(http), line_(io, options.name, options.address, gapMs), events_(line_, http) {}

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
bool ServedLine::JoinBroker(const MqttOptions& mqtt, std::string* error) {
    MqttDevice::Handlers handlers{
        [this](const std::string& sequence) { asio::post(io_, [this, sequence] { TakeCommand(sequence); }); },
        [this](const std::string& correction) { asio::post(io_, [this, correction] { TakeCorrection(correction); }); }};
    mqtt_.emplace(mqtt.broker, mqtt.discoveryPrefix, line_.Name(), std::move(handlers));
    if (!mqtt_->Error().empty()) {
        *error = mqtt_->Error();
        return false;
    }
    const auto publish = [this](const SentFrame*) { mqtt_->PublishState(StateJson(line_, http_).dump()); };
    line_.Listen(publish);
    publish(nullptr);
    return true;
}

// Over MQTT no one is answered: what is refused is said in the log, and never sent later.
void ServedLine::TakeCommand(const std::string& sequence) {
    ParsedSequence parsed = ParseSequence(sequence);
    if (!parsed.error.empty()) {
        Refused(sequence, parsed.error);
        return;
    }
    line_.Submit(std::move(parsed.steps), [this, sequence](const Delivery& delivery) {
        if (delivery.outcome == Outcome::QueueFull)
            Refused(sequence, "the queue is full");
        else if (delivery.outcome != Outcome::Sent)
            Refused(sequence, delivery.reason);
    });
}

void ServedLine::TakeCorrection(const std::string& text) {
    const StateCorrection correction = ParseStateCorrection(text);
    if (correction.error.empty())
        line_.Correct(correction);
    else
        Refused(text, correction.error);
}

void ServedLine::Refused(const std::string& what, const std::string& why) const {
    // Quoted and escaped: a payload's line ends and controls stay out of the log's own lines.
    const std::string quoted =
        nlohmann::json(what.substr(0, 200)).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
    std::cerr << "quorvex-bridge: " << line_.Name() << ": MQTT " << quoted << " not taken: " << why << "\n";
}
#endif
