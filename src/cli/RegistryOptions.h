// The transmitter registry in ravo-cli: its options (--silence-after, and
// --summary for decode or --summary-file for listen), the registry fed by the
// session's receiver, and the silence events told on the standard error.
#pragma once

#include <QCommandLineParser>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry/TransmitterRegistry.h"

namespace ravo {
class Receiver;
class MqttSink;
}

namespace ravo::cli {

struct RegistryOptions {
    std::optional<SilencePolicy> silence;  // --silence-after SECONDS|auto
    bool summary = false;                  // decode --summary
    std::string summaryFile;               // listen --summary-file FILE
    bool wanted() const { return silence || summary || !summaryFile.empty(); }
};

// `live`: the options of listen (--summary-file) instead of decode (--summary).
void addRegistryOptions(QCommandLineParser& parser, bool live);
bool readRegistryOptions(const QCommandLineParser& parser, bool live, RegistryOptions& out, std::string& error);

// "ravo-cli: transmitter 1234 (temperature) silent since 2026-12-09 14:05:09" or
// "... back at 2026-12-09 14:07:00", without the line end.
std::string silenceEventText(const SilenceEvent& e);

// The registry of one session, registered with the receiver only when an option
// asks for it; otherwise every call here does nothing.
class RegistrySession {
public:
    RegistrySession(Receiver& rx, const RegistryOptions& options);
    ~RegistrySession();
    RegistrySession(const RegistrySession&) = delete;
    RegistrySession& operator=(const RegistrySession&) = delete;

    // Null when no option asked for the registry. Further listeners (MQTT
    // availability) may be added to it.
    TransmitterRegistry* registry() const { return registry_.get(); }

    // Silence events go to the standard error, one line each, and to every
    // handler added here (the JSON lines, MQTT availability).
    void addEventHandler(std::function<void(const SilenceEvent&)> handler) { handlers_.push_back(std::move(handler)); }

    void check(const LocalTime& now) {
        if (registry_) registry_->check(now);
    }
    // The end of decode's input: a last check at `now`, then the --summary table
    // on the standard output: CSV, or with `json` one transmitter object a line.
    void finishDecode(const LocalTime& now, bool json = false);
    // Rewrites the --summary-file; false with a reason when it cannot.
    bool writeSummaryFile(std::string& error) const;
    const std::string& summaryFile() const { return options_.summaryFile; }

private:
    Receiver& rx_;
    RegistryOptions options_;
    std::unique_ptr<TransmitterRegistry> registry_;
    std::vector<std::function<void(const SilenceEvent&)>> handlers_;
};

class Session;

// Silence events to the session's JSON lines (stdout with --json, the --json-file)
// and, with MQTT, to each transmitter's availability topic.
void routeSilenceEvents(RegistrySession& registry, Session& session, MqttSink* mqtt);

}  // namespace ravo::cli
