#include "session/Session.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/Latin1.h"
#include "common/Platform.h"
#include "core/Receiver.h"
#include "history/HistoryStore.h"
#include "http/HttpFeed.h"
#include "http/HttpServer.h"
#include "presentation/FileSystem.h"
#include "presentation/StateSnapshot.h"
#include "readings/JsonLines.h"
#include "registry/RegistryCsv.h"
#include "registry/RegistryJson.h"
#include "session/InfluxOutput.h"
#include "session/MqttOutput.h"
#include "session/RegistryOutput.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"

namespace ravo {

Session::Session(const Clock& clock, SessionOptions options)
    : options_(std::move(options)), logFolder_(defaultLogFolder()), clock_(clock) {
    if (options_.live) connected_ = true;
    if (options_.recorder) recorder_ = std::make_unique<Recorder>();
    if (options_.screen && options_.screen->logDir.empty()) files_ = std::make_unique<NoFileSystem>();
    else files_ = std::make_unique<DiskFileSystem>();
    rx_ = std::make_unique<Receiver>(clock.now(), *files_, ReceiverSettings{logFolder_, localeDecimalSeparator()});
    if (recorder_) recorder_->attach(*rx_);

    const bool text = options_.messagesOnStdout && !options_.jsonStdout;
    rx_->observeScreen([this, text](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message && text) {
            const std::string line = latin1ToUtf8(c.text) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        } else if (c.kind == ModelChange::Kind::MonitorAppend && echo_) {
            std::fwrite(c.text.data(), 1, c.text.size(), echo_);
        }
    });
    if (options_.errorsOnStderr)
        rx_->observeErrors(
            [](const std::string& message) { std::fprintf(stderr, "Error: %s\n", latin1ToUtf8(message).c_str()); },
            false);  // nothing waits for an OK here
    if (options_.errorsOnStderr)
        // The start of a locked file's episode is the error above; its end is told here.
        rx_->observeLogsWritable([this](const std::string& path, std::uint64_t written) {
            tell("log file " + path + " writable again: " + std::to_string(written) + " waiting readings written");
        });
}

Session::~Session() {
    if (http_) http_->stop();
    if (httpFeed_) rx_->removeReadingSink(httpFeed_.get());
    if (mqtt_) {
        if (mqttStarted_) mqtt_->publisher->stop();
        rx_->removeReadingSink(mqtt_->sink.get());
    }
    if (influx_) {
        influx_->stop();
        rx_->removeReadingSink(influx_.get());
    }
    if (registry_) rx_->removeReadingSink(registry_.get());
    if (history_) {
        rx_->removeReadingSink(history_.get());
        history_->close();
    }
    if (jsonFileSink_) rx_->removeReadingSink(jsonFileSink_.get());
    if (jsonStdout_) rx_->removeReadingSink(jsonStdout_.get());
    if (recorder_) recorder_->stop();
    if (echo_) std::fclose(echo_);
    if (jsonFile_) std::fclose(jsonFile_);
}

MqttPublisher* Session::mqtt() { return mqtt_ ? mqtt_->publisher.get() : nullptr; }

void Session::tell(const std::string& text) const {
    std::fprintf(stderr, "%s: %s\n", options_.program.c_str(), text.c_str());
}

namespace {

std::string dateTimeText(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

}  // namespace

void Session::tellLogDrops() {
    const std::uint64_t dropped = rx_->logBacklog().dropped();
    if (dropped == logDroppedTold_) return;
    logDroppedTold_ = dropped;
    tell(std::to_string(dropped) + " readings not logged so far: more than " +
         std::to_string(rx_->logBacklog().capacity()) + " were waiting for log files that could not be written");
}

void Session::finishLogs() {
    for (const LogBacklog::Unwritten& u : rx_->finishLogs())
        tell("log file " + u.path + " still inaccessible: " + std::to_string(u.rows) +
             " readings not logged, decoded from " + dateTimeText(u.first) + " to " + dateTimeText(u.last));
    tellLogDrops();
}

bool Session::start(std::string& error) {
    if (!makeMqttOutput(options_.mqtt, mqtt_, error)) return false;
    if (!makeInfluxWriter(options_.influx, influx_, error)) return false;
    if (!configureScreen(error) || !openEcho(error) || !openJson(error)) return false;
    makeRegistry();
    if (!openHistory(error)) return false;
    // The summary file is written at once (empty), so a folder that cannot take it is told now.
    if (!writeSummaryFile(error)) return false;
    if (!options_.recordPath.empty()) {
        if (!recorder_ || !recorder_->start(options_.recordPath, options_.recordComment, false, error)) {
            if (!recorder_) error = "cannot record here";
            return false;
        }
    }
    if (mqtt_) {
        if (!mqtt_->publisher->start()) {
            error = mqtt_->publisher->lastError();
            return false;
        }
        mqttStarted_ = true;
        rx_->addReadingSink(mqtt_->sink.get());
    }
    if (influx_) {
        if (!influx_->start(error)) return false;
        influxWatch_ = std::make_unique<InfluxWatch>();
        rx_->addReadingSink(influx_.get());
    }
    // Last, so that what it shows is there once it answers.
    return startHttp(error);
}

namespace {

// The whole file, or its first line (`line`), for a secret or a certificate.
bool readWhole(const std::string& option, const std::string& path, bool line, std::string& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = option + ": cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (line) {
        std::getline(in, out);
        if (!out.empty() && out.back() == '\r') out.pop_back();
    } else {
        out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (out.empty()) {
        error = option + ": " + path + " is empty";
        return false;
    }
    return true;
}

}  // namespace

bool Session::startHttp(std::string& error) {
    const HttpOptions& o = options_.http;
    if (o.listen.empty() || !registry_) return true;
    const std::optional<HttpAddress> address = parseHttpAddress(o.listen, error);
    if (!address) return false;
    HttpServerSettings settings;
    settings.address = *address;
    settings.historyPath = options_.historyPath;
    if (!o.tokenFile.empty() && !readWhole("--http-token-file", o.tokenFile, true, settings.token, error)) return false;
    if (!address->loopback() && settings.token.empty()) {
        error = "--http " + o.listen + " is reachable from other machines: it needs --http-token-file FILE";
        return false;
    }
    if (!o.certFile.empty() && (!readWhole("--http-cert", o.certFile, false, settings.certPem, error) ||
                                !readWhole("--http-key", o.keyFile, false, settings.keyPem, error)))
        return false;
    httpFeed_ = std::make_unique<HttpFeed>(*registry_);
    registry_->addListener([this](const SilenceEvent& e) { httpFeed_->silence(e); });
    rx_->addReadingSink(httpFeed_.get());
    publishHttp();
    http_ = std::make_unique<HttpServer>(*httpFeed_, settings);
    if (!http_->start(error)) return false;
    tell("serving " + http_->url());
    if (!address->loopback() && settings.certPem.empty())
        tell("warning: HTTP on " + address->text(http_->port()) +
             " without --http-cert: the token crosses the network readable");
    return true;
}

bool Session::configureScreen(std::string& error) {
    if (!options_.screen) return true;
    const ScreenOptions& o = *options_.screen;
    Receiver& rx = *rx_;
    rx.selectBand(o.vhf);
    if (!o.logDir.empty()) {
        // Like the default log folder at start-up, the folder asked for is created when missing.
        if (!files_->folderExists(o.logDir) && !files_->createFolder(o.logDir)) {
            error = "cannot create the log folder " + o.logDir;
            return false;
        }
        rx.setLogging(true, o.logDir);
    }
    rx.setSeparateFiles(o.separateFiles);
    typeIntoBox(rx, "txtpulsefilename", o.pulsePrefix);
    typeIntoBox(rx, "txttempfilename", o.tempPrefix);
    typeIntoBox(rx, "txtaddfilter", o.filter);
    for (const auto& [name, text] : o.sets) {
        if (!typeIntoBox(rx, name, text)) {
            error = "--set: no text box named '" + name + "'";
            return false;
        }
    }
    return true;
}

bool Session::openEcho(std::string& error) {
    if (options_.echoPath.empty()) return true;
    echo_ = std::fopen(options_.echoPath.c_str(), "wb");
    if (!echo_) error = "cannot write " + options_.echoPath + ": " + std::strerror(errno);
    return echo_ != nullptr;
}

bool Session::openJson(std::string& error) {
    if (options_.jsonStdout && !jsonStdout_) {
        // stdout is flushed after every tick, once a second and at the end.
        jsonStdout_ = std::make_unique<JsonLinesSink>(stdout, false);
        rx_->addReadingSink(jsonStdout_.get());
    }
    if (options_.jsonFilePath.empty()) return true;
    jsonFile_ = std::fopen(options_.jsonFilePath.c_str(), "ab");
    if (!jsonFile_) {
        error = "cannot write " + options_.jsonFilePath + ": " + std::strerror(errno);
        return false;
    }
    jsonFileSink_ = std::make_unique<JsonLinesSink>(jsonFile_, options_.jsonFileFlushEachLine);
    rx_->addReadingSink(jsonFileSink_.get());
    return true;
}

void Session::makeRegistry() {
    if (!options_.wantsRegistry()) return;
    // Each transmitter's availability over MQTT needs the registry's silence decisions.
    const SilencePolicy policy = options_.silence.value_or(mqtt_ ? SilencePolicy::automatic() : SilencePolicy::off());
    registry_ = std::make_unique<TransmitterRegistry>(TransmitterRegistry::kDefaultCapacity, policy);
    registry_->addListener([this](const SilenceEvent& e) {
        if (options_.silenceOnStderr) {
            std::fflush(stdout);  // the decoded lines so far come first when both go to one place
            std::fprintf(stderr, "%s\n", silenceEventText(options_.program, e).c_str());
        }
        if (jsonStdout_ || jsonFile_) writeJsonLine(silenceEventJson(e).dump());
        if (mqtt_) mqtt_->sink->availability(e.address, e.kind == SilenceEvent::Kind::Back);
    });
    rx_->addReadingSink(registry_.get());
}

bool Session::openHistory(std::string& error) {
    if (options_.historyPath.empty()) return true;
    HistorySettings settings;
    settings.path = options_.historyPath;
    settings.retentionDays = options_.historyDays;
    settings.waitWhenFull = options_.historyWaits;
    auto store = std::make_unique<HistoryStore>(settings);
    if (!store->open(error)) return false;
    history_ = std::move(store);
    rx_->addReadingSink(history_.get());
    if (registry_)
        registry_->addListener([this](const SilenceEvent& e) {
            const auto kind =
                e.kind == SilenceEvent::Kind::Silent ? TransmitterEvent::Kind::Silent : TransmitterEvent::Kind::Back;
            history_->transmitterEvent({kind, e.address, e.family, e.lastHeard, e.time});
        });
    return true;
}

// A history that cannot be written is told once, on stderr and, in the window, in a box.
void Session::tellHistoryProblems() {
    if (!history_) return;
    for (const std::string& text : history_->takeProblems()) {
        tell(text);
        if (!options_.errorsOnStderr) rx_->raiseError(text);
    }
}

bool Session::writeSummaryFile(std::string& error) {
    if (!registry_ || options_.summaryFile.empty()) return true;
    return ravo::writeSummaryFile(*registry_, options_.summaryFile, error);
}

void Session::writeJsonLine(const std::string& json) {
    const std::string line = json + "\n";
    if (options_.jsonStdout) std::fwrite(line.data(), 1, line.size(), stdout);
    if (jsonFile_) {
        std::fwrite(line.data(), 1, line.size(), jsonFile_);
        std::fflush(jsonFile_);
    }
}

void Session::beginDecoding() {
    if (recorder_) recorder_->beginDecoding();
}

void Session::endDecoding() {
    if (recorder_) recorder_->endDecoding();
}

bool Session::flushJson(std::string& error) {
    std::fflush(stdout);
    if (!jsonFile_) return true;
    if (std::fflush(jsonFile_) != 0 || jsonFileSink_->failed()) {
        error = "cannot write " + options_.jsonFilePath;
        return false;
    }
    return true;
}

void Session::afterTick() {
    std::string error;
    if (!flushJson(error) && !jsonFailureTold_) {
        jsonFailureTold_ = true;
        tell(error);
    }
}

void Session::everySecond() {
    rx_->retryLogs();
    tellLogDrops();
    if (recorder_) recorder_->flush();
    if (echo_) std::fflush(echo_);
    afterTick();
    if (registry_) registry_->check(clock_.now());
    publishHttp();
    tellHistoryProblems();
    if (++seconds_ % 60 == 0) {
        std::string error;
        if (!writeSummaryFile(error)) tell(error);
    }
    if (mqtt_ && options_.mqttStatusOnStderr) {
        const MqttPublisher& p = *mqtt_->publisher;
        const bool connected = p.connected();
        const std::string why = connected ? std::string() : p.lastError();
        if (connected != mqttConnected_ || why != mqttWhy_) {
            mqttConnected_ = connected;
            mqttWhy_ = why;
            tell(mqttStatusText(p) + (why.empty() ? "" : " (" + why + ")"));
        }
        if (p.dropped() != mqttDropped_) {
            mqttDropped_ = p.dropped();
            tell("MQTT: " + std::to_string(mqttDropped_) + " messages dropped so far (queue full)");
        }
    }
    if (influxWatch_)
        for (const std::string& line : influxWatch_->changes(*influx_)) tell(line);
}

std::string Session::influxStatus() const { return influx_ ? influx_->statusText() : std::string(); }

void Session::reopenOutputs() {
    if (!options_.echoPath.empty()) {
        if (echo_) std::fclose(echo_);
        echo_ = std::fopen(options_.echoPath.c_str(), "ab");
        if (!echo_) tell("cannot write " + options_.echoPath + ": " + std::strerror(errno));
    }
    if (!options_.jsonFilePath.empty()) {
        // Moved away by logrotate: the lines from here on go to a new file of that name.
        if (jsonFileSink_) rx_->removeReadingSink(jsonFileSink_.get());
        jsonFileSink_.reset();
        if (jsonFile_) std::fclose(jsonFile_);
        jsonFile_ = std::fopen(options_.jsonFilePath.c_str(), "ab");
        if (jsonFile_) {
            jsonFileSink_ = std::make_unique<JsonLinesSink>(jsonFile_, options_.jsonFileFlushEachLine);
            rx_->addReadingSink(jsonFileSink_.get());
        } else {
            tell("cannot write " + options_.jsonFilePath + ": " + std::strerror(errno));
        }
    }
    std::string error;
    if (recorder_ && !recorder_->reopen(error)) tell(error);
    reloadHttpCertificate();
}

void Session::reloadHttpCertificate() {
    const HttpOptions& o = options_.http;
    if (!http_ || o.certFile.empty()) return;
    // Both files are read before either is taken: a renewal writes them one after the other.
    std::string cert, key, error;
    if (!readWhole("--http-cert", o.certFile, false, cert, error) ||
        !readWhole("--http-key", o.keyFile, false, key, error) || !http_->reloadCertificate(cert, key, error)) {
        tell("--http-cert: the certificate served is still the one from before: " + error);
        return;
    }
    tell("--http-cert: serving the certificate read again from " + o.certFile);
}

void Session::publishHttp() {
    if (!httpFeed_) return;
    HttpStatus s;
    s.source = options_.source;
    s.connected = connected_;
    if (mqtt_) {
        const MqttPublisher& p = *mqtt_->publisher;
        s.mqtt = mqttStatusText(p);
        if (const std::string why = p.connected() ? std::string() : p.lastError(); !why.empty())
            s.mqtt += " (" + why + ")";
    }
    s.influx = influxStatus();
    s.history = history_ != nullptr;
    httpFeed_->setStatus(std::move(s));
    httpFeed_->publish();
}

void Session::connectionEvent(ConnectionEvent::Kind kind, const std::string& device) {
    rx_->connectionEvent({kind, clock_.now(), device});
    connected_ = kind == ConnectionEvent::Kind::Reconnected;
    afterTick();  // a failing JSON file is told once, here or after the next tick
}

void Session::finishInput() {
    if (!registry_) return;
    registry_->check(clock_.now());
    publishHttp();
    if (!options_.summary) return;
    const std::string out = summaryText(*registry_, options_.jsonStdout);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

void Session::stopMqtt() {
    if (!mqtt_ || !mqttStarted_) return;
    MqttPublisher& p = *mqtt_->publisher;
    const auto wait = std::chrono::seconds(options_.mqttStopWaitSeconds);
    const bool delivered = p.waitUntilDelivered(wait);
    const std::size_t left = p.backlog();
    const std::string why = p.lastError();
    p.stop();
    mqttStarted_ = false;
    rx_->removeReadingSink(mqtt_->sink.get());
    mqttIncomplete_ = !delivered || p.dropped() != 0;
    switch (options_.mqttStopReport) {
        case SessionOptions::MqttStopReport::Quiet: break;
        case SessionOptions::MqttStopReport::Counts:
            tell("MQTT: " + std::to_string(p.delivered()) + " messages delivered, " + std::to_string(p.dropped()) +
                 " dropped, " + std::to_string(left) + " not delivered");
            break;
        case SessionOptions::MqttStopReport::Losses:
            if (!delivered)
                tell(std::to_string(left) + " MQTT messages not acknowledged by the broker within " +
                     std::to_string(options_.mqttStopWaitSeconds) + " s" + (why.empty() ? "" : " (" + why + ")"));
            if (p.dropped()) tell(std::to_string(p.dropped()) + " MQTT messages dropped (queue full)");
            break;
    }
}

void Session::stopInflux() {
    if (!influxWatch_) return;
    influx_->waitUntilDelivered(std::chrono::seconds(options_.influx.stopWaitSeconds));
    influx_->stop();
    rx_->removeReadingSink(influx_.get());
    influxWatch_.reset();
    influxIncomplete_ = influx_->backlog() != 0 || influx_->dropped() != 0 || influx_->refused() != 0;
    for (const std::string& line : influxStopReport(*influx_, options_.influx.stopWaitSeconds)) tell(line);
}

bool Session::stop(std::string& error) {
    if (stopped_) return true;
    stopped_ = true;
    if (http_) http_->stop();
    if (recorder_) recorder_->stop();
    std::fflush(stdout);
    finishLogs();
    stopMqtt();
    stopInflux();
    if (history_) {
        // What is queued is stored before the file is closed.
        history_->close();
        tellHistoryProblems();
        historyIncomplete_ = history_->lost() != 0;
    }
    if (!writeSummaryFile(error)) return false;
    if (echo_) std::fflush(echo_);
    if (!flushJson(error)) return false;
    if (options_.statePath.empty()) return true;
    std::ofstream out(options_.statePath, std::ios::binary | std::ios::trunc);
    out << stateSnapshotJson(rx_->screen(), rx_->state());
    out.close();
    if (!out) error = "cannot write " + options_.statePath;
    return static_cast<bool>(out);
}

}  // namespace ravo
