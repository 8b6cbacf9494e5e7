#include "registry/RegistryCsv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ravo {

const char* const kSummaryCsvHeader =
    "address,family,readings,repeats,first_heard,last_heard,median_interval_s,s_level_last,s_level_min,"
    "s_level_max,battery_low,firmware,silent";

std::string shortNumber(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", v);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

namespace {

std::string field(const std::optional<double>& v) { return v ? shortNumber(*v) : std::string(); }

// A family key is a short lowercase word; quoted all the same should one ever hold a comma.
std::string csvText(const std::string& t) {
    if (t.find_first_of(",\"\r\n") == std::string::npos) return t;
    std::string q = "\"";
    for (char c : t) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

}  // namespace

std::string summaryCsv(const TransmitterRegistry& registry) {
    const bool silence = registry.policy().mode != SilencePolicy::Mode::Off;
    std::string out = kSummaryCsvHeader;
    out += '\n';
    for (const TransmitterSummary& t : registry.snapshot()) {
        out += std::to_string(t.address) + ',' + csvText(t.family) + ',' + std::to_string(t.readings) + ',' +
               std::to_string(t.repeats) + ',' + civilTime(t.firstHeard) + ',' + civilTime(t.lastHeard) + ',' +
               field(t.medianIntervalS) + ',' + field(t.sLevel) + ',' + field(t.sLevelMin) + ',' + field(t.sLevelMax) +
               ',' + (t.batteryLow ? (*t.batteryLow ? "1" : "0") : "") + ',' +
               (t.firmware ? std::to_string(*t.firmware) : "") + ',' + (silence ? (t.silent ? "1" : "0") : "") + '\n';
    }
    return out;
}

bool writeSummaryFile(const TransmitterRegistry& registry, const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temp = target;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + temp.string() + ": " + std::strerror(errno);
            return false;
        }
        out << summaryCsv(registry);
        out.close();
        if (!out) {
            error = "cannot write " + temp.string();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        error = "cannot replace " + path + ": " + ec.message();
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

}  // namespace ravo
