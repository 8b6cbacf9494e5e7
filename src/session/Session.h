// One receiver and everything that runs around it, whatever the front end: the
// files it writes, the JSON lines, the transmitter registry, MQTT, the recorder,
// the echo and the HTTP server; start-up, the once-a-second flush, reopening on
// SIGHUP and the orderly stop. ravo-monitor adds its windows, ravo-cli its input
// or port.
// No Qt here: the event loop's timers and signals are in session/qt/SessionLoop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "common/Clock.h"
#include "readings/Reading.h"
#include "session/SessionOptions.h"

namespace ravo {

class FileSystem;
class InfluxWatch;
class InfluxWriter;
class HistoryStore;
class HttpFeed;
class HttpServer;
class JsonLinesSink;
class MqttPublisher;
class Receiver;
class Recorder;
struct MqttOutput;

class Session {
public:
    // `clock`: the system clock of a live receiver, or the capture's in a replay.
    Session(const Clock& clock, SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Sets the screen as the options say and opens every output: echo, JSON
    // lines, registry and summary file, MQTT, the recording, and last the HTTP
    // server. False with a one-line reason when one cannot be had.
    bool start(std::string& error);

    Receiver& receiver() { return *rx_; }
    const Clock& clock() const { return clock_; }
    FileSystem& files() { return *files_; }
    const std::string& logFolder() const { return logFolder_; }
    const SessionOptions& options() const { return options_; }
    // Null when the options did not ask for them.
    Recorder* recorder() { return recorder_.get(); }
    TransmitterRegistry* registry() { return registry_.get(); }
    MqttPublisher* mqtt();
    InfluxWriter* influx() { return influx_.get(); }
    // One line on the InfluxDB output for a status bar: where it writes, or why it
    // does not, and the counts; empty without --influx.
    std::string influxStatus() const;
    HistoryStore* history() { return history_.get(); }
    // Null without --http.
    HttpServer* http() { return http_.get(); }

    // Around each poll cycle: the recorder notes which clock reads are the decoder's.
    void beginDecoding();
    void endDecoding();
    // After each tick that decoded: stdout and the JSON file are flushed; a JSON
    // file that cannot be written is told once.
    void afterTick();
    // Once a second: what the open files hold is written out (a kill loses at most
    // the last second), rows waiting for a locked log file are tried again,
    // silence is decided, the summary file is rewritten every minute, and a
    // change of the broker connection is told.
    void everySecond();
    // SIGHUP: every output file held open is closed and opened again (appending),
    // so that logrotate can move it away; the HTTPS server reads its certificate
    // and key again and serves them to new connections (or keeps the old ones and
    // says why).
    void reopenOutputs();
    // A live receiver's device was lost or is back.
    void connectionEvent(ConnectionEvent::Kind kind, const std::string& device);

    // The end of decode's input: a last silence check, then the --summary table.
    void finishInput();
    // Orderly stop: the recording is closed, rows waiting for a locked log file
    // are written or told on stderr (how many, first and last time), MQTT is
    // given a short while to deliver, the summary file and the state snapshot are
    // written. False with a reason when a file cannot be written.
    bool stop(std::string& error);
    // After stop(): some MQTT messages were dropped or not acknowledged.
    bool mqttIncomplete() const { return mqttIncomplete_; }
    // After stop(): MQTT, InfluxDB or the history store did not take everything.
    bool outputsIncomplete() const { return mqttIncomplete_ || influxIncomplete_ || historyIncomplete_; }

    // A JSON line of some other event (silence) to wherever the readings' JSON
    // lines go.
    void writeJsonLine(const std::string& json);

private:
    bool configureScreen(std::string& error);
    bool openEcho(std::string& error);
    bool openJson(std::string& error);
    void makeRegistry();
    bool writeSummaryFile(std::string& error);
    bool flushJson(std::string& error);
    void stopMqtt();
    void stopInflux();
    bool openHistory(std::string& error);
    bool startHttp(std::string& error);
    void reloadHttpCertificate();
    void tellHistoryProblems();
    void tell(const std::string& text) const;  // one line on stderr
    // Readings dropped because too many waited for locked log files, when the count grew.
    void tellLogDrops();
    // The rows still waiting for log files: written if they can be, told if not.
    void finishLogs();
    void publishHttp();  // the state and the transmitters, for the HTTP server

    SessionOptions options_;
    std::string logFolder_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Receiver> rx_;
    const Clock& clock_;
    std::FILE* echo_ = nullptr;
    std::FILE* jsonFile_ = nullptr;
    std::unique_ptr<JsonLinesSink> jsonStdout_;
    std::unique_ptr<JsonLinesSink> jsonFileSink_;
    std::unique_ptr<TransmitterRegistry> registry_;
    std::unique_ptr<MqttOutput> mqtt_;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<HttpFeed> httpFeed_;
    std::unique_ptr<HttpServer> http_;
    bool mqttStarted_ = false;
    bool mqttIncomplete_ = false;
    bool influxIncomplete_ = false;
    bool historyIncomplete_ = false;
    bool mqttConnected_ = false;
    std::string mqttWhy_;
    std::uint64_t mqttDropped_ = 0;
    std::unique_ptr<InfluxWriter> influx_;
    std::unique_ptr<InfluxWatch> influxWatch_;
    bool jsonFailureTold_ = false;
    std::uint64_t logDroppedTold_ = 0;
    int seconds_ = 0;
    bool stopped_ = false;
    std::optional<bool> connected_;  // a live receiver's device, as last told
};

}  // namespace ravo
