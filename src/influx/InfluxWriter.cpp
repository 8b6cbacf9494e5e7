#include "influx/InfluxWriter.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "influx/LineProtocol.h"

namespace ravo {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kMaxAnswer = 4096;  // of a server's answer, kept for its error message
constexpr milliseconds kDrainRetry{250};  // the back-off while the queue is being drained at the stop

bool initLibrary() {
    static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ok;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* out = static_cast<std::string*>(user);
    const size_t n = size * count;
    out->append(data, std::min(n, kMaxAnswer - std::min(kMaxAnswer, out->size())));
    return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    // Non-zero breaks the request off: the writer is being stopped.
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

// The server's own words: the "error" (1.x) or "message" (2.x) of its JSON
// answer, else the start of the answer's text.
std::string serverMessage(const std::string& body) {
    const nlohmann::json j = nlohmann::json::parse(body, nullptr, false);
    if (j.is_object())
        for (const char* key : {"error", "message"})
            if (const auto it = j.find(key); it != j.end() && it->is_string()) return it->get<std::string>();
    std::string text = body.substr(0, 200);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

// libcurl's message without the time a connection took ("after 2 ms"), so that the
// same failure reads the same each time.
std::string curlMessage(CURLcode code, const char* detail) {
    // Refused connections and time-outs read best in libcurl's short words.
    const bool plain = code == CURLE_COULDNT_CONNECT || code == CURLE_OPERATION_TIMEDOUT || !detail || !*detail;
    std::string text = plain ? curl_easy_strerror(code) : detail;
    for (size_t at = text.find(" after "); at != std::string::npos; at = text.find(" after ", at + 1)) {
        size_t end = at + 7;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end > at + 7 && text.compare(end, 3, " ms") == 0) {
            text.erase(at, end + 3 - at);
            break;
        }
    }
    return text;
}

}  // namespace

InfluxWriter::InfluxWriter(InfluxWriterSettings settings) : settings_(std::move(settings)) {}

InfluxWriter::~InfluxWriter() { stop(); }

bool InfluxWriter::start(std::string& error) {
    if (thread_.joinable()) return true;
    if (!initLibrary()) {
        error = "cannot set up libcurl";
        return false;
    }
    if (!settings_.caFile.empty() && !std::ifstream(settings_.caFile)) {
        error = "cannot read " + settings_.caFile + ": " + std::strerror(errno);
        return false;
    }
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void InfluxWriter::stop() {
    if (!thread_.joinable()) return;
    quit_ = true;
    {
        const std::lock_guard lock(mutex_);
        wake_.notify_all();
    }
    thread_.join();
}

void InfluxWriter::reading(const Reading& r) {
    // Past the bound, the line is not even formatted.
    if (held_.load(std::memory_order_relaxed) >= settings_.queueLimit) {
        dropped_.fetch_add(1);
        return;
    }
    std::string line;
    line.reserve(160);
    appendReadingLine(line, r, unixMillis(r.time));
    write(std::move(line));
}

bool InfluxWriter::write(std::string line) {
    const std::lock_guard lock(mutex_);
    if (held_ >= settings_.queueLimit) {
        dropped_.fetch_add(1);
        return false;
    }
    if (queue_.empty()) firstQueued_ = Steady::now();
    queue_.push_back(std::move(line));
    ++held_;
    // The thread waits for the first line of a batch, or for a full one.
    if (queue_.size() == 1 || queue_.size() == settings_.batchLines) wake_.notify_one();
    return true;
}

bool InfluxWriter::waitUntilDelivered(milliseconds timeout) {
    std::unique_lock lock(mutex_);
    draining_ = true;
    wake_.notify_all();
    return drained_.wait_for(lock, timeout, [this] { return held_ == 0; });
}

std::size_t InfluxWriter::backlog() const { return held_.load(); }

bool InfluxWriter::failing() const {
    const std::lock_guard lock(mutex_);
    return !lastError_.empty();
}

std::string InfluxWriter::lastError() const {
    const std::lock_guard lock(mutex_);
    return lastError_;
}

std::string InfluxWriter::lastRefusal() const {
    const std::lock_guard lock(mutex_);
    return lastRefusal_;
}

std::string InfluxWriter::statusText() const {
    const std::string why = lastError();
    std::string text = "InfluxDB: ";
    if (why.empty())
        text += "writing to " + settings_.url.where() + " " + settings_.url.target() + ", " +
                std::to_string(written()) + " lines written";
    else text += "not writing (" + why + "), " + std::to_string(backlog()) + " lines waiting";
    text += ", " + std::to_string(dropped()) + " dropped";
    if (refused()) text += ", " + std::to_string(refused()) + " refused";
    return text;
}

std::string InfluxWriter::httpError(long status, const std::string& body) const {
    const InfluxUrl& u = settings_.url;
    const std::string message = serverMessage(body);
    const std::string said = "HTTP " + std::to_string(status) + (message.empty() ? "" : ": " + message);
    const std::string at = "InfluxDB at " + u.where();
    const bool v1 = u.api == InfluxUrl::Api::V1;
    if (status == 404 && contains(message, "database not found"))
        return at + " has no database \"" + u.db + "\" (create it: CREATE DATABASE \"" + u.db + "\")";
    if (status == 404 && contains(message, "bucket") && contains(message, "not found"))
        return at + " has no bucket \"" + u.bucket + "\" in org \"" + u.org + "\" (" + said + ")";
    if (status == 404 && contains(message, "organization") && contains(message, "not found"))
        return at + " has no org \"" + u.org + "\" (" + said + ")";
    if (status == 401) {
        if (v1 && u.user.empty())
            return at + " wants a user name and password (" + said +
                   "): give http://USER@HOST:PORT/write?db=DB and --influx-token-file FILE or RAVO_INFLUX_TOKEN";
        if (!v1 && settings_.token.empty())
            return at + " wants a token (" + said + "): give --influx-token-file FILE or RAVO_INFLUX_TOKEN";
        return at + (v1 ? " refused the password of user \"" + u.user + "\"" : std::string(" refused the token")) +
               " (" + said + ")";
    }
    if (status == 403)
        return at +
               (v1 ? " does not let user \"" + u.user + "\" write to "
                   : std::string(" does not let the token write to ")) +
               u.target() + " (" + said + ")";
    return at + " answered " + said;
}

InfluxWriter::Outcome InfluxWriter::post(void* handle, const std::string& body, std::size_t lines, std::string& why) {
    CURL* curl = static_cast<CURL*>(handle);
    std::string answer;
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    if (code != CURLE_OK) {
        why = "cannot reach InfluxDB at " + settings_.url.where() + ": " + curlMessage(code, detail);
        return Outcome::Retry;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && status < 300) return Outcome::Taken;
    why = httpError(status, answer);
    // A batch the server cannot take as it is would be refused again.
    const bool passing =
        status == 401 || status == 403 || status == 404 || status == 408 || status == 429 || status >= 500;
    if (passing) return Outcome::Retry;
    why = std::to_string(lines) + " lines refused: " + why;
    return Outcome::Refused;
}

void InfluxWriter::run() {
    CURL* curl = curl_easy_init();
    if (!curl) {
        const std::lock_guard lock(mutex_);
        lastError_ = "cannot make a libcurl handle";
        return;
    }
    const InfluxUrl& u = settings_.url;
    const std::string url = u.writeUrl();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/plain; charset=utf-8");
    headers = curl_slist_append(headers, "Expect:");  // no wait for "100 Continue" before a large batch
    if (u.api == InfluxUrl::Api::V2 && !settings_.token.empty())
        headers = curl_slist_append(headers, ("Authorization: Token " + settings_.token).c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "ravo/" RAVO_VERSION);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(settings_.requestTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &quit_);
    if (u.api == InfluxUrl::Api::V1 && !u.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, u.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, settings_.token.c_str());
    }
    if (!settings_.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, settings_.caFile.c_str());

    milliseconds retry = settings_.firstRetry;
    Steady::time_point nextAttempt = Steady::now();
    std::vector<std::string> batch;
    std::string body;
    while (!quit_) {
        {
            std::unique_lock lock(mutex_);
            if (batch.empty()) {
                // Wait for a full batch, or for the oldest line's time to be up.
                for (;;) {
                    if (quit_) break;
                    const bool due = !queue_.empty() && (queue_.size() >= settings_.batchLines || draining_ ||
                                                         Steady::now() >= firstQueued_ + settings_.batchDelay);
                    if (due) break;
                    if (queue_.empty()) wake_.wait(lock);
                    else wake_.wait_until(lock, firstQueued_ + settings_.batchDelay);
                }
                if (quit_) break;
                const std::size_t n = std::min(queue_.size(), settings_.batchLines);
                batch.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.begin() + n));
                queue_.erase(queue_.begin(), queue_.begin() + n);
                firstQueued_ = Steady::now();  // the lines left waited for this batch: theirs starts now
            } else {
                // A failed batch waits out the back-off (shortened once the stop drains the queue).
                wake_.wait_until(lock, nextAttempt, [&] { return quit_ || draining_; });
                if (draining_) wake_.wait_for(lock, kDrainRetry, [&] { return quit_.load(); });
                if (quit_) break;
            }
        }
        if (body.empty()) {
            size_t size = 0;
            for (const std::string& l : batch) size += l.size() + 1;
            body.reserve(size);
            for (const std::string& l : batch) (body += l) += '\n';
        }
        std::string why;
        const Outcome outcome = post(curl, body, batch.size(), why);
        if (quit_) break;  // broken off: the batch is not delivered
        const std::lock_guard lock(mutex_);
        if (outcome == Outcome::Retry) {
            lastError_ = why;
            nextAttempt = Steady::now() + retry;
            retry = std::min(retry * 2, settings_.lastRetry);
            continue;
        }
        if (outcome == Outcome::Taken) {
            written_.fetch_add(batch.size());
            lastError_.clear();
        } else {
            refused_.fetch_add(batch.size());
            lastRefusal_ = why;
            lastError_.clear();  // the server is there and answers
        }
        retry = settings_.firstRetry;
        held_ -= batch.size();
        batch.clear();
        body.clear();
        if (held_ == 0) drained_.notify_all();
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
}

}  // namespace ravo
