// One connection to an MQTT broker, through libmosquitto on a network thread of its own. It keeps a
// set of retained topics on the broker (discovery, state, availability), publishing them again
// whenever it connects again, and hands each message on its subscriptions to a callback on that
// thread. Nothing the caller does waits for the broker: a publish is queued or, while the broker is
// away, kept for the next connection.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;

struct MqttSettings {
    std::string host;
    int port = 1883;
    std::string user;      // empty: connect without a user name
    std::string password;  // read from a file or the environment, never from the command line
    std::string cafile;    // empty: plain TCP; else TLS, the broker's certificate checked against it
};

class MqttClient {
public:
    using Received = std::function<void(const std::string& topic, const std::string& payload)>;

    // `availability` is "online" (retained) while connected, and "offline" as the will and at the end.
    MqttClient(const MqttSettings& settings, const std::string& clientId, std::string availability,
               std::vector<std::string> subscriptions, Received received);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Empty when the client was set up; else why not (a CA file that cannot be read, ...).
    const std::string& Error() const { return error_; }
    // Publishes `payload` retained now if connected, and again on every connection from now on.
    void Retain(const std::string& topic, const std::string& payload);

private:
    static void OnConnect(mosquitto* handle, void* self, int result);
    static void OnDisconnect(mosquitto* handle, void* self, int result);
    static void OnMessage(mosquitto* handle, void* self, const mosquitto_message* message);
    static void OnPublish(mosquitto* handle, void* self, int messageId);

    bool SetUp(const MqttSettings& settings);
    void Run();
    bool Stopping();
    void PublishRetained(const std::string& topic, const std::string& payload, int* messageId);
    enum class Broker { NotYetSeen, Connected, Away };
    void Say(Broker now, const std::string& what);
    void PublishOffline();

    const std::string host_;
    const int port_;
    const std::string availability_;
    const std::vector<std::string> subscriptions_;
    const Received received_;
    std::string error_;
    mosquitto* handle_ = nullptr;

    // Guards what follows. Held while publishing, so that the retained copies reach the broker in
    // the order they were set, whichever thread publishes them (the caller's, or the network
    // thread's on a new connection); a publish only queues, so the lock is held briefly.
    std::mutex lock_;
    std::condition_variable changed_;              // on stopping, on the end of the network thread, on "offline" sent
    std::map<std::string, std::string> retained_;  // topic -> payload; written by Retain
    bool stopping_ = false;                        // written by the destructor
    bool ended_ = false;                           // written by the network thread as it returns
    Broker broker_ = Broker::NotYetSeen;           // written by the network thread
    int offlineMessage_ = -1;                      // the id of the last "offline", until it has gone to the broker
    std::thread network_;
};
