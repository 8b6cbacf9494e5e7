#include "publish/Broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <thread>

extern char** environ;

namespace ravo::test {
namespace {

using namespace std::chrono_literals;

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

}  // namespace

std::string mosquittoProgram() {
    for (const char* p : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"})
        if (access(p, X_OK) == 0) return p;
    return {};
}

pid_t spawn(const std::vector<std::string>& args, const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitExit(pid_t pid, std::chrono::milliseconds timeout) {
    int status = 0;
    for (auto end = std::chrono::steady_clock::now() + timeout; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms))
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
    return -1;
}

Broker::Broker(bool persistent, const std::string& listenerConfig) : port_(freePort()) {
    char dir[] = "/tmp/ravo-broker-XXXXXX";
    dir_ = mkdtemp(dir) ? dir : "/tmp";
    chmod(dir_.c_str(), 0777);  // started as root, mosquitto saves its database as the user "mosquitto"
    std::ofstream(dir_ + "/mosquitto.conf")
        << "listener " << port_ << " 127.0.0.1\n"
        << listenerConfig << "allow_anonymous true\n"
        << (persistent ? "persistence true\npersistence_location " + dir_ + "/\n" : "persistence false\n");
}

Broker::~Broker() {
    stop();
    for (const char* f : {"/mosquitto.conf", "/broker.log", "/mosquitto.db"}) std::remove((dir_ + f).c_str());
    rmdir(dir_.c_str());
}

bool Broker::start() {
    pid_ = spawn({mosquittoProgram(), "-c", dir_ + "/mosquitto.conf"}, dir_ + "/broker.log");
    for (int i = 0; i < 500 && pid_ > 0; ++i, std::this_thread::sleep_for(10ms))
        if (accepts(port_)) return true;
    return false;
}

void Broker::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (waitExit(pid_, 5s) == -1) {
        kill(pid_, SIGKILL);
        waitExit(pid_, 5s);
    }
    pid_ = -1;
}

Subscriber::Subscriber(int port, const std::string& topic, const std::string& clientId) {
    mosquitto_lib_init();
    client_ = mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), clientId.empty(), this);
    mosquitto_message_callback_set(client_, &Subscriber::onMessage);
    if (mosquitto_connect(client_, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) return;
    mosquitto_subscribe(client_, nullptr, topic.c_str(), 1);
    mosquitto_subscribe(client_, nullptr, "test/subscribed", 1);
    mosquitto_loop_start(client_);
    // Heard back, this message proves the subscriptions in force.
    mosquitto_publish(client_, nullptr, "test/subscribed", 1, "1", 1, false);
    ok_ = waitFor(lastIs("test/subscribed", "1"));
}

Subscriber::~Subscriber() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

void Subscriber::onMessage(mosquitto*, void* self, const mosquitto_message* m) {
    auto* s = static_cast<Subscriber*>(self);
    const std::lock_guard lock(s->mutex_);
    s->heard_.push_back(
        {m->topic, std::string(static_cast<const char*>(m->payload), static_cast<size_t>(m->payloadlen)), m->retain});
    s->changed_.notify_all();
}

bool Subscriber::waitFor(const std::function<bool(const HeardList&)>& done, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(heard_); });
}

HeardList Subscriber::on(const std::string& topic) const {
    const std::lock_guard lock(mutex_);
    HeardList out;
    for (const Heard& h : heard_)
        if ((topic.empty() && h.topic.rfind("test/", 0) != 0) || h.topic == topic) out.push_back(h);
    return out;
}

std::function<bool(const HeardList&)> lastIs(const std::string& topic, const std::string& value) {
    return [topic, value](const HeardList& heard) {
        for (auto it = heard.rbegin(); it != heard.rend(); ++it)
            if (it->topic == topic) return it->payload == value;
        return false;
    };
}

}  // namespace ravo::test
