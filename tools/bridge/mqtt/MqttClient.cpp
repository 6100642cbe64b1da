#include "MqttClient.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include <mosquitto.h>

namespace {

// The broker ends a client that sends nothing for 1.5 keepalives and then publishes its will, so
// a bridge that vanished without a word (its host down, a cable out) shows offline within 15 s.
constexpr int kKeepAliveSeconds = 10;
// A modest pace for a broker that is away: a second, doubling up to eight.
constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kLongestRetry{8};
// How long the end waits for "offline" to go to the broker, and then for the network thread: a
// broker on the network answers in milliseconds, and the bridge ends within a second whatever it does.
constexpr std::chrono::milliseconds kOfflineWait{250};
constexpr std::chrono::milliseconds kThreadWait{200};
// At most once, as the commands: every connection publishes the retained topics all again, so one
// lost with a connection is replaced at the next. No acknowledgement comes back either, which a
// broker without TCP_NODELAY would hold a command behind until this end's delayed ACK (40 ms).
constexpr int kRetainedQos = 0;

void UseLibrary() {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

}  // namespace

MqttClient::MqttClient(const MqttSettings& settings, const std::string& clientId, std::string availability,
                       std::vector<std::string> subscriptions, Received received)
    : host_(settings.host),
      port_(settings.port),
      availability_(std::move(availability)),
      subscriptions_(std::move(subscriptions)),
      received_(std::move(received)) {
    UseLibrary();
    // A clean session: the broker keeps nothing for this client while it is away, so no command
    // published meanwhile is handed over, and sent, once it is back.
    handle_ = mosquitto_new(clientId.c_str(), true, this);
    if (!handle_) {
        error_ = "cannot set up an MQTT client";
        return;
    }
    if (!SetUp(settings))
        return;
    retained_[availability_] = "online";
    network_ = std::thread(&MqttClient::Run, this);
}

bool MqttClient::SetUp(const MqttSettings& settings) {
    mosquitto_threaded_set(handle_, true);
    mosquitto_connect_callback_set(handle_, &MqttClient::OnConnect);
    mosquitto_disconnect_callback_set(handle_, &MqttClient::OnDisconnect);
    mosquitto_message_callback_set(handle_, &MqttClient::OnMessage);
    mosquitto_publish_callback_set(handle_, &MqttClient::OnPublish);
    mosquitto_reconnect_delay_set(handle_, kFirstRetry.count(), kLongestRetry.count(), true);
    mosquitto_int_option(handle_, MOSQ_OPT_TCP_NODELAY, 1);  // a state goes out as it changes
    const char offline[] = "offline";
    int result = mosquitto_will_set(handle_, availability_.c_str(), sizeof offline - 1, offline, kRetainedQos, true);
    if (result == MOSQ_ERR_SUCCESS && !settings.user.empty())
        result = mosquitto_username_pw_set(handle_, settings.user.c_str(), settings.password.c_str());
    if (result == MOSQ_ERR_SUCCESS && !settings.cafile.empty()) {
        result = mosquitto_tls_set(handle_, settings.cafile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (result != MOSQ_ERR_SUCCESS) {
            error_ = "cannot use " + settings.cafile + " as the broker's CA file: " + mosquitto_strerror(result);
            return false;
        }
    }
    if (result != MOSQ_ERR_SUCCESS)
        error_ = std::string("cannot set up the MQTT client: ") + mosquitto_strerror(result);
    return result == MOSQ_ERR_SUCCESS;
}

MqttClient::~MqttClient() {
    if (!handle_)
        return;
    if (network_.joinable()) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        PublishOffline();
        mosquitto_disconnect(handle_);
        std::unique_lock<std::mutex> hold(lock_);
        if (!changed_.wait_for(hold, kThreadWait, [this] { return ended_; })) {
            // Still inside a connect to a host that does not answer: the process is ending, and
            // the thread and its handle end with it rather than hold the exit for the system's
            // connect timeout.
            network_.detach();
            return;
        }
        hold.unlock();
        network_.join();
    }
    mosquitto_destroy(handle_);
}

void MqttClient::Retain(const std::string& topic, const std::string& payload) {
    const std::lock_guard<std::mutex> hold(lock_);
    retained_[topic] = payload;
    PublishRetained(topic, payload, nullptr);
}

// Under lock_. Not connected: nothing to do, the connection to come publishes the kept copy.
void MqttClient::PublishRetained(const std::string& topic, const std::string& payload, int* messageId) {
    mosquitto_publish(handle_, messageId, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kRetainedQos,
                      true);
}

// The availability a clean stop leaves: the broker's copy says offline at once, not at the will.
void MqttClient::PublishOffline() {
    std::unique_lock<std::mutex> hold(lock_);
    retained_[availability_] = "offline";
    int messageId = -1;
    PublishRetained(availability_, "offline", &messageId);
    if (broker_ != Broker::Connected)
        return;
    offlineMessage_ = messageId;
    changed_.wait_for(hold, kOfflineWait, [this] { return offlineMessage_ == -1; });
}

void MqttClient::Run() {
    std::chrono::seconds retry = kFirstRetry;
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_) {
        hold.unlock();
        const int result = mosquitto_connect(handle_, host_.c_str(), port_, kKeepAliveSeconds);
        if (result == MOSQ_ERR_SUCCESS) {
            if (Stopping())  // the stop came during the connect, and its disconnect found nothing to end
                mosquitto_disconnect(handle_);
            // Reconnects by itself at the pace set; returns once disconnected on purpose, or on a
            // failure it does not retry.
            mosquitto_loop_forever(handle_, 1000, 1);
            retry = kFirstRetry;
        } else {
            Say(Broker::Away, std::string("cannot reach it (") + mosquitto_strerror(result) + "); trying again");
        }
        hold.lock();
        changed_.wait_for(hold, retry, [this] { return stopping_; });
        retry = std::min(retry * 2, kLongestRetry);
    }
    ended_ = true;
    changed_.notify_all();
}

bool MqttClient::Stopping() {
    const std::lock_guard<std::mutex> hold(lock_);
    return stopping_;
}

// Said once each time the broker comes or goes, not at every retry.
void MqttClient::Say(Broker now, const std::string& what) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (now == broker_)
            return;
        broker_ = now;
    }
    std::cerr << "quorvex-bridge: MQTT broker " << host_ << ":" << port_ << ": " << what << std::endl;
}

void MqttClient::OnConnect(mosquitto* handle, void* self, int result) {
    auto& client = *static_cast<MqttClient*>(self);
    if (result != 0) {
        client.Say(Broker::Away,
                   std::string("refused the connection (") + mosquitto_connack_string(result) + "); trying again");
        return;
    }
    // At most once: a command is never delivered twice, and one lost on the way is not sent
    // late. A standby toggle sent twice would undo itself.
    for (const std::string& topic : client.subscriptions_)
        mosquitto_subscribe(handle, nullptr, topic.c_str(), 0);
    {
        const std::lock_guard<std::mutex> hold(client.lock_);
        for (const auto& [topic, payload] : client.retained_)
            client.PublishRetained(topic, payload, nullptr);
    }
    client.Say(Broker::Connected, "connected");
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int result) {
    if (result != 0)
        static_cast<MqttClient*>(self)->Say(Broker::Away, "lost the connection; trying again");
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    // A retained message is one the broker kept from before, handed to every new subscription: as a
    // command it would be sent again on every reconnect, as a correction it would undo what was sent
    // since. Only what is published now is taken.
    auto& client = *static_cast<MqttClient*>(self);
    {
        // Once stopping, nothing more is handed on: whoever takes it may be gone.
        const std::lock_guard<std::mutex> hold(client.lock_);
        if (message->retain || client.stopping_)
            return;
    }
    const auto* bytes = static_cast<const char*>(message->payload);
    client.received_(message->topic, std::string(bytes, bytes + message->payloadlen));
}

void MqttClient::OnPublish(mosquitto*, void* self, int messageId) {
    auto& client = *static_cast<MqttClient*>(self);
    const std::lock_guard<std::mutex> hold(client.lock_);
    if (messageId == client.offlineMessage_) {
        client.offlineMessage_ = -1;
        client.changed_.notify_all();
    }
}
