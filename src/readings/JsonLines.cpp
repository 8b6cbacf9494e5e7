#include "readings/JsonLines.h"

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "common/Latin1.h"
#include "readings/IsoTime.h"

namespace ravo {
namespace {

using Json = nlohmann::ordered_json;

// A measured value to at most 15 significant digits, as the monitor line shows
// it: 20.28 rather than 20.279999999999998.
double fifteenDigits(double v) {
    if (!std::isfinite(v)) return v;
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return std::strtod(text, nullptr);
}

Json fieldJson(const FieldValue& v) {
    struct {
        Json operator()(std::nullptr_t) const { return nullptr; }
        Json operator()(bool b) const { return b; }
        Json operator()(std::int64_t i) const { return i; }
        Json operator()(double d) const {
            // JSON has no infinities or NaN; no decoder makes one, but null is the honest stand-in.
            if (!std::isfinite(d)) return nullptr;
            return fifteenDigits(d);
        }
        Json operator()(const std::string& s) const { return latin1ToUtf8(s); }
    } visitor;
    return std::visit(visitor, v);
}

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

std::string readingJson(const Reading& r) {
    Json j;
    j["time"] = isoTime(r.time);
    j["type"] = r.type;
    j["family"] = r.family;
    j["address"] = r.address;
    j["status"] = r.status;
    j["band"] = r.vhf ? "vhf" : "uhf";
    if (r.batteryLow) j["battery_low"] = *r.batteryLow;
    if (r.firmware) j["firmware"] = *r.firmware;
    if (r.sLevel) j["s_level"] = fifteenDigits(*r.sLevel);
    for (const ReadingField& f : r.fields) j[f.name] = fieldJson(f.value);
    j["line"] = r.line ? Json(latin1ToUtf8(*r.line)) : Json(nullptr);
    return dump(j);
}

std::string badFrameJson(const BadFrameEvent& e) {
    Json j;
    j["event"] = "bad_frame";
    j["time"] = isoTime(e.time);
    j["bytes"] = e.bytes;
    j["line"] = latin1ToUtf8(e.line);
    return dump(j);
}

std::string connectionJson(const ConnectionEvent& e) {
    Json j;
    j["event"] = e.kind == ConnectionEvent::Kind::Lost ? "connection_lost" : "reconnected";
    j["time"] = isoTime(e.time);
    j["device"] = e.device;
    return dump(j);
}

void JsonLinesSink::write(std::string line) {
    line += '\n';
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size()) failed_ = true;
    if (flushEachLine_ && std::fflush(out_) != 0) failed_ = true;
}

}  // namespace ravo
