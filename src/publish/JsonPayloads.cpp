#include "publish/JsonPayloads.h"

#include <nlohmann/json.hpp>

#include "common/Latin1.h"
#include "readings/IsoTime.h"

namespace ravo {
namespace {

using Json = nlohmann::ordered_json;

Json valueOf(const FieldValue& v) {
    return std::visit(
        [](const auto& x) -> Json {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::nullptr_t>) return nullptr;
            else if constexpr (std::is_same_v<T, std::string>) return latin1ToUtf8(x);
            else return x;
        },
        v);
}

std::string text(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

std::string readingPayload(const Reading& r) {
    Json j;
    j["time"] = isoTime(r.time);
    j["type"] = r.type;
    j["family"] = r.family;
    j["address"] = r.address;
    j["status"] = r.status;
    j["band"] = r.vhf ? "vhf" : "uhf";
    if (r.batteryLow) j["battery_low"] = *r.batteryLow;
    if (r.firmware) j["firmware"] = *r.firmware;
    if (r.sLevel) j["s_level"] = *r.sLevel;
    for (const ReadingField& f : r.fields) j[f.name] = valueOf(f.value);
    if (r.line) j["line"] = latin1ToUtf8(*r.line);
    return text(j);
}

std::string badFramePayload(const BadFrameEvent& e) {
    Json j;
    j["time"] = isoTime(e.time);
    j["bytes"] = e.bytes;
    j["line"] = latin1ToUtf8(e.line);
    return text(j);
}

std::string connectionPayload(const ConnectionEvent& e) {
    Json j;
    j["time"] = isoTime(e.time);
    j["event"] = e.kind == ConnectionEvent::Kind::Lost ? "lost" : "reconnected";
    j["device"] = e.device;
    return text(j);
}

}  // namespace ravo
