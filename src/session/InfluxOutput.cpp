#include "session/InfluxOutput.h"

namespace ravo {

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
    std::vector<std::string> lines;
    const std::string why = writer.lastError();
    if (why != why_) {
        if (!why.empty()) lines.push_back(why);
        else lines.push_back("InfluxDB: writing to " + writer.url().where() + " " + writer.url().target() + " again");
        why_ = why;
    }
    if (writer.dropped() != dropped_) {
        dropped_ = writer.dropped();
        lines.push_back("InfluxDB: " + std::to_string(dropped_) + " lines dropped so far (queue full)");
    }
    if (writer.refused() != refused_) {
        refused_ = writer.refused();
        lines.push_back("InfluxDB: " + std::to_string(refused_) +
                        " lines refused so far (last: " + writer.lastRefusal() + ")");
    }
    return lines;
}

std::vector<std::string> influxStopReport(const InfluxWriter& writer, int waitSeconds) {
    std::vector<std::string> lines;
    if (const std::size_t left = writer.backlog()) {
        const std::string why = writer.lastError();
        lines.push_back("InfluxDB: " + std::to_string(left) + " lines not delivered within " +
                        std::to_string(waitSeconds) + " s" + (why.empty() ? "" : " (" + why + ")"));
    }
    if (writer.dropped())
        lines.push_back("InfluxDB: " + std::to_string(writer.dropped()) + " lines dropped (queue full)");
    if (writer.refused())
        lines.push_back("InfluxDB: " + std::to_string(writer.refused()) +
                        " lines refused by the server (last: " + writer.lastRefusal() + ")");
    return lines;
}

}  // namespace ravo
