#include "publish/MqttPublisher.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace ravo {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kOnline[] = "online";
constexpr char kOffline[] = "offline";

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string defaultClientId() {
    char host[64] = {};
    if (gethostname(host, sizeof host - 1) != 0) std::strcpy(host, "host");
    return "ravo-" + std::string(host) + "-" + std::to_string(getpid());
}

std::string errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

}  // namespace

MqttPublisher::MqttPublisher(MqttPublisherSettings settings) : settings_(std::move(settings)) { initLibrary(); }

MqttPublisher::~MqttPublisher() {
    stop();
    if (wakeRead_ >= 0) close(wakeRead_);
    if (wakeWrite_ >= 0) close(wakeWrite_);
}

bool MqttPublisher::start() {
    if (thread_.joinable()) return true;
    int fds[2];
    if (pipe(fds) != 0) {
        setError(std::string("cannot make a pipe: ") + std::strerror(errno));
        return false;
    }
    for (const int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    stopRequested_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool MqttPublisher::publish(std::string topic, std::string payload, int qos, bool retain) {
    {
        const std::lock_guard lock(mutex_);
        if (held_ >= settings_.queueLimit) {
            dropped_.fetch_add(1);
            return false;
        }
        queue_.push_back({std::move(topic), std::move(payload), qos, retain});
        ++held_;
    }
    wake();
    return true;
}

bool MqttPublisher::waitUntilDelivered(milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return drained_.wait_for(lock, timeout, [this] { return held_ == 0; });
}

std::size_t MqttPublisher::backlog() const {
    const std::lock_guard lock(mutex_);
    return held_;
}

std::string MqttPublisher::lastError() const {
    const std::lock_guard lock(mutex_);
    return lastError_;
}

void MqttPublisher::setError(const std::string& why) {
    const std::lock_guard lock(mutex_);
    lastError_ = why;
}

void MqttPublisher::stop(milliseconds offlineWait) {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        offlineMid_ = -1;
        offlineAcked_ = false;
    }
    stopDeadlineMs_ = offlineWait.count();
    stopRequested_ = true;
    wake();
    thread_.join();
}

void MqttPublisher::wake() {
    // One byte in the pipe is enough to wake the network thread; it clears the flag before it reads.
    if (wakeWrite_ >= 0 && !wakePending_.exchange(true)) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(wakeWrite_, &byte, 1);
    }
}

void MqttPublisher::drainWake() {
    wakePending_ = false;
    char buffer[64];
    while (read(wakeRead_, buffer, sizeof buffer) > 0) {
    }
}

void MqttPublisher::waitForWake(milliseconds timeout) {
    pollfd fd{wakeRead_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(std::max<milliseconds::rep>(timeout.count(), 0))) > 0) drainWake();
}

void MqttPublisher::onConnect(mosquitto* client, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        p->setError(std::string("the broker refused the connection: ") + mosquitto_connack_string(rc));
        p->refused_ = true;
        return;
    }
    // Ahead of everything queued: the program is online.
    mosquitto_publish(client, nullptr, p->statusTopic().c_str(), sizeof kOnline - 1, kOnline, 1, true);
    p->connected_ = true;
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    const std::lock_guard lock(p->mutex_);
    if (mid == p->offlineMid_) {
        p->offlineAcked_ = true;
        return;
    }
    // Acknowledgements come in order as a rule, so the entry is nearly always the first.
    const auto it =
        std::find_if(p->inFlight_.begin(), p->inFlight_.end(), [mid](const InFlight& f) { return f.mid == mid; });
    if (it == p->inFlight_.end()) return;  // the status message, or a message of an earlier connection
    p->inFlight_.erase(it);
    --p->held_;
    p->delivered_.fetch_add(1);
    if (p->held_ == 0) p->drained_.notify_all();
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text) {
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
    if (level != MOSQ_LOG_ERR || !text) return;
    std::string_view line(text);
    const size_t reason = line.rfind(':');
    if (line.find("OpenSSL") == std::string_view::npos || reason == std::string_view::npos) return;
    static_cast<MqttPublisher*>(self)->tlsDetail_ = std::string(line.substr(reason + 1));
}

std::string MqttPublisher::tlsWhy() const { return tlsDetail_.empty() ? std::string() : " (" + tlsDetail_ + ")"; }

bool MqttPublisher::openClient() {
    const std::string id = settings_.clientId.empty() ? defaultClientId() : settings_.clientId;
    client_ = mosquitto_new(id.c_str(), /*clean_session=*/true, this);
    if (!client_) {
        setError(std::string("cannot make an MQTT client: ") + std::strerror(errno));
        return false;
    }
    refused_ = false;
    tlsDetail_.clear();
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(client_, 0);  // the window is kept here
    mosquitto_connect_callback_set(client_, &MqttPublisher::onConnect);
    mosquitto_publish_callback_set(client_, &MqttPublisher::onPublish);
    const std::string status = statusTopic();
    mosquitto_will_set(client_, status.c_str(), sizeof kOffline - 1, kOffline, 1, true);
    if (!settings_.url.user.empty())
        mosquitto_username_pw_set(client_, settings_.url.user.c_str(),
                                  settings_.password.empty() ? nullptr : settings_.password.c_str());
    if (settings_.url.tls) {
        // The broker's certificate must chain to the CA (the system's store when
        // none is named) and name the host; the library checks both.
        const MqttTls& t = settings_.tls;
        auto orNull = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
        mosquitto_log_callback_set(client_, &MqttPublisher::onLog);
        int rc = mosquitto_tls_set(client_, orNull(t.caFile), t.caFile.empty() ? "/etc/ssl/certs" : nullptr,
                                   orNull(t.certFile), orNull(t.keyFile), nullptr);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_opts_set(client_, 1, nullptr, nullptr);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_insecure_set(client_, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            closeClient("cannot set up TLS: " + errorText(rc) + tlsWhy());
            return false;
        }
    }
    const int rc =
        mosquitto_connect_async(client_, settings_.url.host.c_str(), settings_.url.port, settings_.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        closeClient("cannot connect to " + settings_.url.host + ":" + std::to_string(settings_.url.port) + ": " +
                    errorText(rc) + tlsWhy());
        return false;
    }
    return true;
}

void MqttPublisher::closeClient(const std::string& why) {
    connected_ = false;
    if (client_) mosquitto_destroy(client_);  // drops libmosquitto's copies; ours are put back below
    client_ = nullptr;
    const std::lock_guard lock(mutex_);
    if (!why.empty() && !refused_) lastError_ = why;
    for (auto it = inFlight_.rbegin(); it != inFlight_.rend(); ++it) queue_.push_front(std::move(it->message));
    inFlight_.clear();
}

int MqttPublisher::sendQueued() {
    for (;;) {
        MqttMessage m;
        {
            const std::lock_guard lock(mutex_);
            if (queue_.empty() || inFlight_.size() >= settings_.inFlightWindow) return MOSQ_ERR_SUCCESS;
            m = std::move(queue_.front());
            queue_.pop_front();
        }
        int mid = 0;
        const int rc = mosquitto_publish(client_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                                         m.payload.data(), m.qos, m.retain);
        const std::lock_guard lock(mutex_);
        if (rc != MOSQ_ERR_SUCCESS) {
            queue_.push_front(std::move(m));
            return rc;
        }
        inFlight_.push_back({mid, std::move(m)});
    }
}

void MqttPublisher::run() {
    milliseconds retry = settings_.firstRetry;
    Clock::time_point nextAttempt = Clock::now();
    Clock::time_point stopDeadline{};
    bool stopping = false;
    const std::string where = settings_.url.host + ":" + std::to_string(settings_.url.port);

    auto backOff = [&](const std::string& why) {
        closeClient(why);
        nextAttempt = Clock::now() + retry;
        retry = std::min(retry * 2, settings_.lastRetry);
    };

    for (;;) {
        if (stopRequested_ && !stopping) {
            stopping = true;
            stopDeadline = Clock::now() + milliseconds(stopDeadlineMs_.load());
            if (client_ && connected_) {
                int mid = 0;
                const std::string status = statusTopic();
                if (mosquitto_publish(client_, &mid, status.c_str(), sizeof kOffline - 1, kOffline, 1, true) ==
                    MOSQ_ERR_SUCCESS) {
                    const std::lock_guard lock(mutex_);
                    offlineMid_ = mid;
                }
            }
        }
        if (stopping) {
            bool acked;
            {
                const std::lock_guard lock(mutex_);
                acked = offlineAcked_ || offlineMid_ < 0;
            }
            if (!client_ || !connected_ || acked || Clock::now() >= stopDeadline) {
                if (client_) {
                    mosquitto_disconnect(client_);
                    mosquitto_loop_write(client_, 1);
                }
                closeClient("");
                return;
            }
        }
        if (!client_) {
            const Clock::time_point now = Clock::now();
            if (now < nextAttempt) {
                waitForWake(std::chrono::duration_cast<milliseconds>(nextAttempt - now) + milliseconds(1));
                continue;
            }
            if (!openClient()) {
                nextAttempt = Clock::now() + retry;
                retry = std::min(retry * 2, settings_.lastRetry);
                continue;
            }
        }

        const int socket = mosquitto_socket(client_);
        if (socket < 0) {
            backOff("lost the connection to " + where);
            continue;
        }
        pollfd fds[2] = {{socket, static_cast<short>(POLLIN | (mosquitto_want_write(client_) ? POLLOUT : 0)), 0},
                         {wakeRead_, POLLIN, 0}};
        const int timeout = stopping ? 50 : 1000;
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
            backOff(std::string("poll: ") + std::strerror(errno));
            continue;
        }
        if (fds[1].revents & POLLIN) drainWake();

        const bool wasConnected = connected_;
        int rc = MOSQ_ERR_SUCCESS;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) rc = mosquitto_loop_read(client_, 64);
        if (rc == MOSQ_ERR_SUCCESS && (fds[0].revents & POLLOUT)) rc = mosquitto_loop_write(client_, 64);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(client_);
        if (rc == MOSQ_ERR_SUCCESS && refused_) rc = MOSQ_ERR_CONN_REFUSED;
        if (rc == MOSQ_ERR_SUCCESS && connected_ && !stopping) {
            if (!wasConnected) {
                retry = settings_.firstRetry;
                setError("");
            }
            rc = sendQueued();
            if (rc == MOSQ_ERR_SUCCESS && mosquitto_want_write(client_)) rc = mosquitto_loop_write(client_, 64);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            const bool established = connected_;
            backOff((established ? "lost the connection to " : "cannot connect to ") + where + ": " + errorText(rc) +
                    tlsWhy());
        }
    }
}

}  // namespace ravo
