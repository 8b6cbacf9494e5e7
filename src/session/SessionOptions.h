// What runs around a receiver, whatever the front end: the options of its
// outputs and how the front end wants them told. Filled from the command line by
// session/qt/SessionCommandLine, or by a test.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "http/HttpOptions.h"
#include "publish/MqttUrl.h"
#include "registry/TransmitterRegistry.h"

namespace ravo {

// The screen settings that ravo-cli applies before the input starts, as the
// operator would set them in the window.
struct ScreenOptions {
    bool vhf = true;
    std::string logDir;  // empty: no file at all is written
    bool separateFiles = false;
    std::string pulsePrefix = "ravo";
    std::string tempPrefix = "ravo";
    std::string filter = "0";
    std::vector<std::pair<std::string, std::string>> sets;  // box name, text typed into it
};

struct MqttOptions {
    std::string url;  // empty: no MQTT
    std::string passwordFile;
    MqttTls tls;  // mqtts:// only
    bool discovery = false;
};

struct InfluxOptions {
    std::string url;          // empty: no InfluxDB
    std::string tokenFile;    // the 1.x password or 2.x token (else RAVO_INFLUX_TOKEN)
    std::string caFile;       // https: the certificates to trust
    int stopWaitSeconds = 3;  // at the stop, the server gets this long to take what is queued
};

struct SessionOptions {
    // How the front end wants things told.
    std::string program = "ravo-cli";    // in front of every line on stderr
    bool messagesOnStdout = false;       // every message-box write as a line on stdout
    bool errorsOnStderr = false;         // modal messages as "Error: ..." on stderr (no box waits for them)
    bool silenceOnStderr = false;        // silence events as a line each on stderr
    bool mqttStatusOnStderr = false;     // broker connection and drops on stderr when they change
    bool keepRegistry = false;           // a registry even when no option asks for one (the Transmitters window)
    bool jsonFileFlushEachLine = false;  // else flushed after each poll cycle and once a second
    bool recorder = false;               // the receiver reads its clock through a recorder
    // At the stop, the broker gets this long to acknowledge what is queued, and
    // then: nothing is told, the counts are told, or only what was lost is told.
    enum class MqttStopReport { Quiet, Counts, Losses };
    MqttStopReport mqttStopReport = MqttStopReport::Quiet;
    int mqttStopWaitSeconds = 3;

    // Applied to the screen at start; none: the front end does it (the window).
    std::optional<ScreenOptions> screen;

    // What the receiver reads, for the state the HTTP server shows ("port
    // /dev/ttyUSB0", "capture site.txt"); `live`: a device that may be lost.
    std::string source;
    bool live = false;

    // Outputs.
    std::string echoPath;      // every receiver-monitor append
    std::string statePath;     // the screen snapshot at the end
    bool jsonStdout = false;   // JSON lines on stdout instead of the message texts
    std::string jsonFilePath;  // JSON lines appended to this file
    std::optional<SilencePolicy> silence;
    bool summary = false;     // the transmitter table on stdout after decode's input
    std::string summaryFile;  // the transmitter table kept in this file
    MqttOptions mqtt;
    InfluxOptions influx;
    std::string recordPath;  // record from the start
    std::string recordComment;
    std::string historyPath;    // every reading kept in this SQLite file (docs/HISTORY.md)
    int historyDays = 400;      // kept this many days back from the newest reading
    bool historyWaits = false;  // a replay: a full history queue waits for the disk (live: drops, counted)
    HttpOptions http;           // the read-only HTTP server (docs/HTTP.md)

    bool wantsRegistry() const {
        return keepRegistry || silence || summary || !summaryFile.empty() || !mqtt.url.empty() || !http.listen.empty();
    }
};

}  // namespace ravo
