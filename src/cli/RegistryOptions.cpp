#include "cli/RegistryOptions.h"

#include <cstdio>

#include "cli/CliCommon.h"
#include "core/Receiver.h"
#include "publish/MqttSink.h"
#include "registry/RegistryCsv.h"
#include "registry/RegistryJson.h"

namespace ravo::cli {

void addRegistryOptions(QCommandLineParser& p, bool live) {
    p.addOption({"silence-after",
                 "Report a transmitter silent once it has not been heard for SECONDS, or for three times its own "
                 "median interval (auto).",
                 "SECONDS|auto"});
    if (live)
        p.addOption({"summary-file", "Keep the table of every transmitter heard (CSV) in FILE, rewritten every "
                                     "minute and at exit.",
                     "FILE"});
    else
        p.addOption({"summary", "After the input, print the table of every transmitter heard (CSV)."});
}

bool readRegistryOptions(const QCommandLineParser& p, bool live, RegistryOptions& o, std::string& error) {
    if (p.isSet("silence-after")) {
        const std::string text = toStd(p.value("silence-after"));
        o.silence = SilencePolicy::parse(text);
        if (!o.silence) {
            error = "--silence-after must be a positive number of seconds or auto, not '" + text + "'";
            return false;
        }
    }
    if (live) {
        if (p.isSet("summary-file")) {
            o.summaryFile = toStd(p.value("summary-file"));
            if (o.summaryFile.empty()) {
                error = "--summary-file needs a file name";
                return false;
            }
        }
    } else {
        o.summary = p.isSet("summary");
    }
    return true;
}

std::string silenceEventText(const SilenceEvent& e) {
    const std::string who = "ravo-cli: transmitter " + std::to_string(e.address) + " (" + e.family + ")";
    if (e.kind == SilenceEvent::Kind::Silent) return who + " silent since " + civilTime(e.lastHeard);
    return who + " back at " + civilTime(e.time);
}

RegistrySession::RegistrySession(Receiver& rx, const RegistryOptions& options) : rx_(rx), options_(options) {
    if (!options_.wanted()) return;
    registry_ = std::make_unique<TransmitterRegistry>(TransmitterRegistry::kDefaultCapacity,
                                                      options_.silence.value_or(SilencePolicy::off()));
    registry_->addListener([this](const SilenceEvent& e) {
        std::fflush(stdout);  // the decoded lines so far come first when both go to one place
        std::fprintf(stderr, "%s\n", silenceEventText(e).c_str());
        for (const auto& h : handlers_) h(e);
    });
    rx_.readings.add(registry_.get());
}

RegistrySession::~RegistrySession() {
    if (registry_) rx_.readings.remove(registry_.get());
}

void RegistrySession::finishDecode(const LocalTime& now, bool json) {
    if (!registry_) return;
    registry_->check(now);
    if (!options_.summary) return;
    std::string out;
    if (json) {
        for (const TransmitterSummary& t : registry_->snapshot()) out += transmitterJson(t).dump() + "\n";
    } else {
        out = summaryCsv(*registry_);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

bool RegistrySession::writeSummaryFile(std::string& error) const {
    if (!registry_ || options_.summaryFile.empty()) return true;
    return ravo::writeSummaryFile(*registry_, options_.summaryFile, error);
}

void routeSilenceEvents(RegistrySession& registry, Session& session, MqttSink* mqtt) {
    if (!registry.registry()) return;
    registry.addEventHandler([&session](const SilenceEvent& e) { session.writeJsonLine(silenceEventJson(e).dump()); });
    if (mqtt)
        registry.addEventHandler(
            [mqtt](const SilenceEvent& e) { mqtt->availability(e.address, e.kind == SilenceEvent::Kind::Back); });
}

}  // namespace ravo::cli
