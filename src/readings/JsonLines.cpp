// The JSON is written by hand (JsonWriter) rather than built as a document tree:
// a reading is one flat object whose keys come in a fixed order, and a tree per
// reading cost three times the decoding itself.
#include "readings/JsonLines.h"

#include "readings/IsoTime.h"

namespace ravo {

void writeFieldValue(JsonWriter& w, const FieldValue& v) {
    switch (v.index()) {
        case 0: w.literal("null"); break;
        case 1: w.boolean(std::get<bool>(v)); break;
        case 2: w.integer(std::get<std::int64_t>(v)); break;
        case 3: w.number(std::get<double>(v)); break;
        default: w.latin1(std::get<std::string>(v)); break;
    }
}

void writeFlagsAndLevel(JsonWriter& w, const std::optional<bool>& batteryLow, const std::optional<int>& firmware,
                        const std::optional<double>& sLevel) {
    if (batteryLow) {
        w.literal(",\"battery_low\":");
        w.boolean(*batteryLow);
    }
    if (firmware) {
        w.literal(",\"firmware\":");
        w.integer(*firmware);
    }
    if (sLevel) {
        w.literal(",\"s_level\":");
        w.number(*sLevel);
    }
}

namespace {

void writeTime(JsonWriter& w, const LocalTime& t) {
    char text[kIsoTimeLength];
    writeIsoTime(t, text);
    w.string({text, sizeof text});
}

}  // namespace

void writeReadingJson(JsonWriter& w, const Reading& r) {
    w.literal("{\"time\":");
    writeTime(w, r.time);
    w.literal(",\"type\":");
    w.integer(r.type);
    w.literal(",\"family\":");
    w.string(r.family);
    w.literal(",\"address\":");
    w.integer(r.address);
    w.literal(",\"status\":");
    w.integer(r.status);
    if (r.vhf) w.literal(",\"band\":\"vhf\"");
    else w.literal(",\"band\":\"uhf\"");
    writeFlagsAndLevel(w, r.batteryLow, r.firmware, r.sLevel);
    for (const ReadingField& f : r.fields) {
        w.character(',');
        w.string(f.name());
        w.character(':');
        writeFieldValue(w, f.value);
    }
    w.literal(",\"line\":");
    if (r.line) w.latin1(*r.line);
    else w.literal("null");
    w.character('}');
}

void writeBadFrameJson(JsonWriter& w, const BadFrameEvent& e) {
    w.literal("{\"event\":\"bad_frame\",\"time\":");
    writeTime(w, e.time);
    w.literal(",\"bytes\":");
    w.string(e.bytes);
    w.literal(",\"line\":");
    w.latin1(e.line);
    w.character('}');
}

void writeConnectionJson(JsonWriter& w, const ConnectionEvent& e) {
    if (e.kind == ConnectionEvent::Kind::Lost) w.literal("{\"event\":\"connection_lost\",\"time\":");
    else w.literal("{\"event\":\"reconnected\",\"time\":");
    writeTime(w, e.time);
    w.literal(",\"device\":");
    w.string(e.device);
    w.character('}');
}

std::string readingJson(const Reading& r) {
    JsonWriter w;
    writeReadingJson(w, r);
    return std::string(w.text());
}

std::string badFrameJson(const BadFrameEvent& e) {
    JsonWriter w;
    writeBadFrameJson(w, e);
    return std::string(w.text());
}

std::string connectionJson(const ConnectionEvent& e) {
    JsonWriter w;
    writeConnectionJson(w, e);
    return std::string(w.text());
}

void JsonLinesSink::reading(const Reading& r) {
    writer_.clear();
    writeReadingJson(writer_, r);
    write();
}

void JsonLinesSink::badFrame(const BadFrameEvent& e) {
    writer_.clear();
    writeBadFrameJson(writer_, e);
    write();
}

void JsonLinesSink::connection(const ConnectionEvent& e) {
    writer_.clear();
    writeConnectionJson(writer_, e);
    write();
}

void JsonLinesSink::write() {
    writer_.character('\n');
    const std::string_view line = writer_.text();
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size()) failed_ = true;
    if (flushEachLine_ && std::fflush(out_) != 0) failed_ = true;
}

}  // namespace ravo
