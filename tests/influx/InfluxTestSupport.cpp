#include "influx/InfluxTestSupport.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace ravo::test {
namespace {

using namespace std::chrono_literals;

constexpr char kInfluxd[] = "/usr/bin/influxd";

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

size_t collect(char* data, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
}

// A POST of form fields to `url` (a GET without fields); the status, and the answer in `body`.
long request(const std::string& url, const std::vector<std::pair<std::string, std::string>>& fields,
             std::string& body) {
    CURL* curl = curl_easy_init();
    std::string form;
    for (const auto& [k, v] : fields) {
        char* escaped = curl_easy_escape(curl, v.c_str(), static_cast<int>(v.size()));
        form += (form.empty() ? "" : "&") + k + "=" + escaped;
        curl_free(escaped);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (!fields.empty()) curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    return status;
}

pid_t spawnWith(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& out,
                const std::string& err) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        const bool replaced = std::any_of(env.begin(), env.end(), [&](const std::string& v) {
            return var.compare(0, v.find('=') + 1, v, 0, v.find('=') + 1) == 0;
        });
        if (!replaced) vars.push_back(var);
    }
    vars.insert(vars.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (const std::string& v : vars) envp.push_back(const_cast<char*>(v.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitFor(pid_t pid, std::chrono::milliseconds timeout) {
    int status = 0;
    for (auto end = std::chrono::steady_clock::now() + timeout; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms))
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
    return -1;
}

}  // namespace

int freeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int run(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& out,
        const std::string& err, std::chrono::milliseconds timeout) {
    const pid_t pid = spawnWith(args, env, out, err);
    if (pid <= 0) return -1;
    const int status = waitFor(pid, timeout);
    if (status == -1) {
        kill(pid, SIGKILL);
        waitFor(pid, 5s);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Influxd::Influxd() {
    char dir[] = "/tmp/ravo-influxd-XXXXXX";
    dir_ = mkdtemp(dir) ? dir : "";
    httpPort_ = freeLoopbackPort();
    do rpcPort_ = freeLoopbackPort();
    while (rpcPort_ == httpPort_);
}

Influxd::~Influxd() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (waitFor(pid_, 10s) == -1) {
            kill(pid_, SIGKILL);
            waitFor(pid_, 5s);
        }
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

std::string Influxd::start() {
    if (access(kInfluxd, X_OK) != 0) return std::string(kInfluxd) + " is not installed (Debian package influxdb)";
    if (dir_.empty()) return "cannot make a folder in /tmp";
    std::ofstream(dir_ + "/influxd.conf") << "reporting-disabled = true\n"
                                          << "bind-address = \"127.0.0.1:" << rpcPort_ << "\"\n"
                                          << "[meta]\n  dir = \"" << dir_ << "/meta\"\n"
                                          << "[data]\n  dir = \"" << dir_ << "/data\"\n"
                                          << "  wal-dir = \"" << dir_ << "/wal\"\n"
                                          << "  query-log-enabled = false\n"
                                          << "[monitor]\n  store-enabled = false\n"
                                          << "[continuous_queries]\n  enabled = false\n"
                                          << "[http]\n  enabled = true\n"
                                          << "  bind-address = \"127.0.0.1:" << httpPort_ << "\"\n"
                                          << "  log-enabled = false\n";
    const std::string log = dir_ + "/influxd.log";
    pid_ = spawnWith({kInfluxd, "-config", dir_ + "/influxd.conf"}, {}, log, log);
    if (pid_ <= 0) return "cannot start " + std::string(kInfluxd);
    for (auto end = std::chrono::steady_clock::now() + 15s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(50ms)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::string text = slurp(log);
            text = text.substr(text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0) + 1);
            return "influxd ended at start: " + text;
        }
        std::string body;
        if (request(base() + "/ping", {}, body) == 204) return {};
    }
    return "influxd does not answer /ping on 127.0.0.1:" + std::to_string(httpPort_) + " within 15 s";
}

nlohmann::json Influxd::query(const std::string& db, const std::string& q) {
    std::string body;
    std::vector<std::pair<std::string, std::string>> fields{{"q", q}, {"epoch", "ms"}};
    if (!db.empty()) fields.emplace_back("db", db);
    request(base() + "/query", fields, body);
    return nlohmann::json::parse(body, nullptr, false);
}

HttpRecorder::HttpRecorder(std::vector<Answer> answers, bool silent) : answers_(std::move(answers)), silent_(silent) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 16);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    if (pipe(stopPipe_) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    thread_ = std::thread([this] { run(); });
}

HttpRecorder::~HttpRecorder() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(stopPipe_[1], &byte, 1);
    thread_.join();
    close(listener_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

std::vector<HttpRequest> HttpRecorder::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool HttpRecorder::waitFor(size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

void HttpRecorder::run() {
    std::vector<int> held;  // connections of a silent server, left open without an answer
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) break;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (silent_) held.push_back(fd);
        else serve(fd);
    }
    for (const int fd : held) close(fd);
}

void HttpRecorder::serve(int fd) {
    // One request per connection: the answer says "Connection: close".
    std::string data;
    char buffer[65536];
    HttpRequest request;
    size_t headerEnd = std::string::npos, length = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
        if (headerEnd == std::string::npos && (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
            std::istringstream head(data.substr(0, headerEnd));
            std::string line;
            std::getline(head, line);
            std::istringstream first(line);
            first >> request.method >> request.target;
            while (std::getline(head, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                const size_t colon = line.find(':');
                if (colon == std::string::npos) continue;
                std::string name = line.substr(0, colon);
                std::transform(name.begin(), name.end(), name.begin(), ::tolower);
                request.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
            }
            length = std::stoul(request.headers.count("content-length") ? request.headers["content-length"] : "0");
        }
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + length) break;
    }
    if (headerEnd != std::string::npos) {
        request.body = data.substr(headerEnd + 4, length);
        Answer answer;
        {
            const std::lock_guard lock(mutex_);
            answer = answers_[std::min(requests_.size(), answers_.size() - 1)];
            requests_.push_back(request);
        }
        const std::string reply =
            "HTTP/1.1 " + std::to_string(answer.status) + " X\r\nContent-Type: application/json\r\n" +
            "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n" + answer.body;
        [[maybe_unused]] const ssize_t n = write(fd, reply.data(), reply.size());
        changed_.notify_all();
    }
    close(fd);
}

}  // namespace ravo::test
