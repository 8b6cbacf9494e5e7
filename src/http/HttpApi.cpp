#include "http/HttpApi.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <variant>

#include "common/Latin1.h"
#include "history/HistoryTime.h"
#include "readings/IsoTime.h"
#include "registry/RegistryJson.h"

namespace ravo {
namespace {

// At most 15 significant digits, as in the JSON lines.
double round15(double v) {
    if (!std::isfinite(v)) return v;
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return std::strtod(text, nullptr);
}

nlohmann::ordered_json valueJson(const FieldValue& v) {
    return std::visit(
        [](const auto& x) -> nlohmann::ordered_json {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::nullptr_t>) return nullptr;
            else if constexpr (std::is_same_v<T, std::string>) return latin1ToUtf8(x);
            else if constexpr (std::is_same_v<T, double>) {
                if (!std::isfinite(x)) return nullptr;
                return round15(x);
            } else return x;
        },
        v);
}

nlohmann::ordered_json viewJson(const TransmitterView& v) {
    nlohmann::ordered_json j = transmitterJson(v.summary);
    j.erase("event");
    j["fields_time"] = v.fieldsTime ? nlohmann::ordered_json(isoTime(*v.fieldsTime)) : nlohmann::ordered_json();
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (const LatestField& f : v.fields) {
        nlohmann::ordered_json one;
        one["value"] = valueJson(f.value);
        one["unit"] = std::string(f.decl->unit);
        one["label"] = std::string(f.decl->label);
        fields[std::string(f.decl->name)] = std::move(one);
    }
    j["fields"] = std::move(fields);
    return j;
}

// A unit as readings show it, the base unit of Prometheus it is given in, and
// the factor from one to the other.
struct BaseUnit {
    std::string_view unit, base;
    double scale;
};
constexpr BaseUnit kBaseUnits[] = {
    {"\xC2\xB0"
     "C",
     "celsius", 1},
    {"V", "volts", 1},
    {"mV", "volts", 1e-3},
    {"A", "amperes", 1},
    {"mA", "amperes", 1e-3},
    {"m", "meters", 1},
    {"dm", "meters", 0.1},
    {"cm", "meters", 0.01},
    {"mm", "meters", 1e-3},
    {"Pa", "pascals", 1},
    {"hPa", "pascals", 100},
    {"kPa", "pascals", 1e3},
    {"bar", "pascals", 1e5},
    {"J", "joules", 1},
    {"kWh", "joules", 3.6e6},
    {"Wh", "joules", 3600},
    {"s", "seconds", 1},
    {"ms", "seconds", 1e-3},
    {"%", "ratio", 0.01},
};

std::string escapeLabel(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string escapeHelp(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

// Prometheus' float texts: the shortest that reads back the same, at most 15
// significant digits (as the JSON lines).
std::string number(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "+Inf" : "-Inf";
    char text[32];
    for (int digits = 1; digits <= 15; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (std::strtod(text, nullptr) == v) break;
    }
    return text;
}

// Samples of one metric, gathered over the transmitters before they are written.
struct Family {
    std::string help;
    bool counter = false;
    std::string samples;
};

}  // namespace

std::string transmittersBody(const HttpSnapshot& s) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& v : s.transmitters) all.push_back(viewJson(*v));
    return all.dump() + "\n";
}

std::string transmitterBody(const HttpSnapshot& s, std::int32_t address) {
    const TransmitterView* v = s.find(address);
    return v ? viewJson(*v).dump() + "\n" : std::string();
}

FieldMetric fieldMetric(const FieldDecl& d) {
    FieldMetric m;
    if (d.kind != FieldKind::Number && d.kind != FieldKind::Counter) return m;
    std::string name(d.name);
    if (!d.unit.empty()) {
        // The name ends in its unit's short form (_C, _V, _pct, _dm): that goes,
        // the base unit's name comes in its place.
        const size_t cut = name.rfind('_');
        for (const BaseUnit& b : kBaseUnits)
            if (b.unit == d.unit) {
                if (cut != std::string::npos) name.resize(cut);
                name += "_";
                name += b.base;
                m.scale = b.scale;
                break;
            }
    }
    m.counter = d.kind == FieldKind::Counter;
    m.name = "ravo_" + name + (m.counter ? "_total" : "");
    return m;
}

std::string statusBody(const HttpSnapshot& s) {
    nlohmann::ordered_json j;
    j["source"] = s.status.source;
    j["connected"] = s.status.connected ? nlohmann::ordered_json(*s.status.connected) : nlohmann::ordered_json();
    j["frames"] = s.frames;
    j["bad_frames"] = s.badFrames;
    j["repeats"] = s.repeats;
    j["readings"] = s.readings;
    j["transmitters"] = s.transmitters.size();
    j["mqtt"] = s.status.mqtt;
    j["influx"] = s.status.influx;
    j["history"] = s.status.history;
    return j.dump() + "\n";
}

std::string metricsBody(const HttpSnapshot& s) {
    std::string out;
    const auto single = [&](const char* name, const char* type, const char* help, std::uint64_t v) {
        out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n" + name + " " +
               std::to_string(v) + "\n";
    };
    single("ravo_frames_total", "counter", "Frames that reached the header stage (readings, bad frames and repeats).",
           s.frames);
    single("ravo_bad_frames_total", "counter", "Items no decoder accepted.", s.badFrames);
    single("ravo_repeats_total", "counter", "Frames dropped as repeats of a recent one.", s.repeats);
    single("ravo_readings_total", "counter", "Readings decoded.", s.readings);
    single("ravo_transmitters", "gauge", "Transmitters held (at most ravo_transmitters_capacity).",
           s.transmitters.size());
    single("ravo_transmitters_capacity", "gauge", "Transmitters held at most; the one heard longest ago goes first.",
           s.capacity);
    single("ravo_transmitters_forgotten_total", "counter", "Transmitters forgotten to make room for new ones.",
           s.forgotten);

    // Gathered per metric name, so that each has one HELP and TYPE whatever the
    // order of the transmitters.
    std::map<std::string, Family> families;
    const auto family = [&](const std::string& name, const std::string& help, bool counter) -> Family& {
        Family& f = families[name];
        if (f.help.empty()) {
            f.help = help;
            f.counter = counter;
        }
        return f;
    };
    for (const auto& view : s.transmitters) {
        const TransmitterView& v = *view;
        const TransmitterSummary& t = v.summary;
        const std::string labels =
            "{address=\"" + std::to_string(t.address) + "\",family=\"" + escapeLabel(t.family) + "\"} ";
        const double lastSeen = static_cast<double>(storedTime(t.lastHeard).utcMs) / 1000.0;
        family("ravo_transmitter_last_seen_timestamp_seconds", "When the transmitter was last heard (Unix time).",
               false)
            .samples += "ravo_transmitter_last_seen_timestamp_seconds" + labels + number(lastSeen) + "\n";
        if (t.sLevel)
            family("ravo_transmitter_signal_level", "The signal level of the latest reading.", false).samples +=
                "ravo_transmitter_signal_level" + labels + number(*t.sLevel) + "\n";
        if (t.batteryLow)
            family("ravo_transmitter_battery_low", "1 when the latest reading says the battery is low.", false)
                .samples += "ravo_transmitter_battery_low" + labels + (*t.batteryLow ? "1" : "0") + "\n";
        family("ravo_transmitter_silent", "1 while the transmitter counts as silent.", false).samples +=
            "ravo_transmitter_silent" + labels + (t.silent ? "1" : "0") + "\n";
        for (const LatestField& f : v.fields) {
            const FieldMetric m = fieldMetric(*f.decl);
            if (m.name.empty()) continue;
            double value;
            if (const auto* i = std::get_if<std::int64_t>(&f.value)) value = static_cast<double>(*i);
            else if (const auto* d = std::get_if<double>(&f.value)) value = *d;
            else continue;  // null: the transmitter reports an error
            std::string help = std::string(f.decl->label);
            if (!f.decl->unit.empty()) help += " (" + std::string(f.decl->unit) + " in the readings)";
            help += " of the latest reading.";
            family(m.name, help, m.counter).samples += m.name + labels + number(value * m.scale) + "\n";
        }
    }
    for (const auto& [name, f] : families) {
        out += "# HELP " + name + " " + escapeHelp(f.help) + "\n";
        out += "# TYPE " + name + (f.counter ? " counter\n" : " gauge\n");
        out += f.samples;
    }
    return out;
}

bool readingsBody(const std::string& historyPath, const ReadingsRequest& request, std::size_t limit, std::string& body,
                  int& status, std::string& reason) {
    if (historyPath.empty()) {
        status = 404;
        reason = "no history is kept: start with --history FILE";
        return false;
    }
    HistoryReader reader;
    std::string error;
    if (!reader.open(historyPath, error)) {
        status = 500;
        reason = error;
        return false;
    }
    bool over = false;
    body.clear();
    const bool ok = readingsReport(
        reader, request,
        [&](std::string_view piece) {
            if (over || body.size() + piece.size() > limit) over = true;
            else body.append(piece);
        },
        error);
    if (!ok) {
        status = 400;
        reason = error;
        return false;
    }
    if (over) {
        body.clear();
        status = 400;
        reason = "more than " + std::to_string(limit >> 20) + " MiB of readings: narrow from and to, or ask every=S";
        return false;
    }
    return true;
}

}  // namespace ravo
