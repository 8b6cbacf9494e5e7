// Publishes messages to an MQTT broker over libmosquitto, on a network thread of
// its own, so that the decoding thread only ever appends to a bounded queue.
//
// A message stays in the publisher's own queue until the broker has acknowledged
// it (PUBACK for QoS 1). The client object of libmosquitto lives for one
// connection only: when the connection is lost, the client is destroyed with
// whatever it held, the messages that were in flight go back to the front of the
// queue, and after the next connect everything is sent again in the original
// order. Resending from this one queue, and never from libmosquitto's own copies,
// keeps the order across a broker restart, and a broker that lost its session
// (clean session, no persistence) still gets every unacknowledged message. A
// message whose acknowledgement was lost may arrive twice (QoS 1: at least once).
//
// The status topic PREFIX/status says "online" (retained) after every connect;
// the broker's last will says "offline" (retained) when the program dies, and a
// clean stop publishes "offline" itself, because a clean disconnect suppresses
// the will.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "publish/MqttUrl.h"

struct mosquitto;

namespace ravo {

struct MqttMessage {
    std::string topic;
    std::string payload;
    int qos = 1;
    bool retain = false;
};

struct MqttPublisherSettings {
    MqttUrl url;
    MqttTls tls;                      // with an mqtts:// URL
    std::string password;             // empty: none
    std::size_t queueLimit = 100000;  // messages queued or in flight; more are dropped and counted
    std::string clientId;             // empty: ravo-HOST-PID
    int keepAliveSeconds = 30;
    std::size_t inFlightWindow = 256;            // messages sent and not yet acknowledged
    std::chrono::milliseconds firstRetry{1000};  // reconnect delay, doubled after each failure
    std::chrono::milliseconds lastRetry{30000};
};

class MqttPublisher {
public:
    explicit MqttPublisher(MqttPublisherSettings settings);
    ~MqttPublisher();  // stop()
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts the network thread, which connects and keeps reconnecting. Returns at
    // once; false when the thread's wake-up pipe cannot be had.
    bool start();

    // Queues a message; never waits for the network. False when the queue is at
    // its bound (the message is dropped and counted).
    bool publish(std::string topic, std::string payload, int qos = 1, bool retain = false);

    // Waits until every queued message has been acknowledged, or the timeout has
    // passed; returns whether the queue is empty.
    bool waitUntilDelivered(std::chrono::milliseconds timeout);

    // Publishes "offline" to the status topic (waiting at most offlineWait for its
    // acknowledgement), disconnects and ends the network thread. What is still
    // queued then is not sent. Safe to call more than once.
    void stop(std::chrono::milliseconds offlineWait = std::chrono::milliseconds(2000));

    std::uint64_t dropped() const { return dropped_.load(); }
    std::uint64_t delivered() const { return delivered_.load(); }
    std::size_t backlog() const;  // queued or in flight
    bool connected() const { return connected_.load(); }
    std::string lastError() const;  // why the last connection failed or ended; empty if none did
    const MqttUrl& url() const { return settings_.url; }
    const std::string& prefix() const { return settings_.url.prefix; }
    std::string statusTopic() const { return settings_.url.prefix + "/status"; }

private:
    struct InFlight {
        int mid;
        MqttMessage message;
    };

    void run();
    bool openClient();
    void closeClient(const std::string& why);
    int sendQueued();
    void wake();
    void drainWake();
    void waitForWake(std::chrono::milliseconds timeout);
    void setError(const std::string& why);

    static void onConnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);
    std::string tlsWhy() const;  // " (certificate verify failed)" after a TLS failure

    const MqttPublisherSettings settings_;
    mosquitto* client_ = nullptr;  // network thread only
    std::thread thread_;
    int wakeRead_ = -1, wakeWrite_ = -1;
    std::atomic<bool> wakePending_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> connected_{false};
    std::atomic<long long> stopDeadlineMs_{2000};
    std::atomic<std::uint64_t> dropped_{0}, delivered_{0};

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable drained_;
    std::deque<MqttMessage> queue_;  // not yet handed to the client, in order
    std::deque<InFlight> inFlight_;  // handed to the client on this connection, in order
    std::size_t held_ = 0;           // queue_ + inFlight_ + the one being handed over
    std::string lastError_;
    int offlineMid_ = -1;
    bool offlineAcked_ = false;
    bool refused_ = false;
    std::string tlsDetail_;  // the library's last TLS error line of this connection (the publisher's thread)
};

}  // namespace ravo
