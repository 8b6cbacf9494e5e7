#include "session/InfluxOutput.h"

namespace ravo {
namespace {

std::string lines(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); }

}  // namespace

bool makeInfluxWriter(const InfluxOptions& options, std::unique_ptr<InfluxWriter>& out, std::string& error) {
    out.reset();
    if (options.url.empty()) return true;
    const std::optional<InfluxUrl> url = parseInfluxUrl(options.url, error);
    if (!url) return false;
    InfluxWriterSettings settings;
    settings.url = *url;
    settings.caFile = options.caFile;
    if (!readInfluxToken(*url, options.tokenFile, settings.token, error)) return false;
    out = std::make_unique<InfluxWriter>(std::move(settings));
    return true;
}

std::vector<std::string> InfluxWatch::changes(const InfluxWriter& writer) {
    std::vector<std::string> told;
    const std::string why = writer.lastError();
    if (why != why_) {
        if (!why.empty()) told.push_back(why);
        else told.push_back("InfluxDB: writing to " + writer.url().where() + " " + writer.url().target() + " again");
        why_ = why;
    }
    if (writer.dropped() != dropped_) {
        dropped_ = writer.dropped();
        told.push_back("InfluxDB: " + lines(dropped_) + " dropped so far (queue full)");
    }
    if (writer.refused() != refused_) {
        refused_ = writer.refused();
        told.push_back("InfluxDB: " + lines(refused_) + " refused so far (last: " + writer.lastRefusal() + ")");
    }
    return told;
}

std::vector<std::string> influxStopReport(const InfluxWriter& writer, int waitSeconds) {
    std::vector<std::string> told;
    if (const std::size_t left = writer.backlog()) {
        const std::string why = writer.lastError();
        told.push_back("InfluxDB: " + lines(left) + " not delivered within " + std::to_string(waitSeconds) + " s" +
                       (why.empty() ? "" : " (" + why + ")"));
    }
    if (writer.dropped()) told.push_back("InfluxDB: " + lines(writer.dropped()) + " dropped (queue full)");
    if (writer.refused())
        told.push_back("InfluxDB: " + lines(writer.refused()) +
                       " refused by the server (last: " + writer.lastRefusal() + ")");
    return told;
}

}  // namespace ravo
