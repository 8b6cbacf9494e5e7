// The JSON is written by hand into a reused buffer rather than built as a document
// tree: a reading is one flat object whose keys come in a fixed order, and a tree
// per reading cost three times the decoding itself.
#include "readings/JsonLines.h"

#include <charconv>
#include <cmath>

#include "readings/IsoTime.h"

namespace ravo {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// One character of a JSON string: the quote, the backslash and the control
// characters escaped, the rest as it is.
void appendEscaped(std::string& out, char c) {
    switch (c) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        default: break;
    }
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20) {
        out += "\\u00";
        out += kHex[u >> 4];
        out += kHex[u & 15];
    } else {
        out += c;
    }
}

// Printable ASCII other than the quote and the backslash: written as it is.
bool plain(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
}

// A text that is already UTF-8 (or plain ASCII: names, hex bytes, device paths).
// Runs of plain characters are copied in one go.
void appendString(std::string& out, std::string_view s) {
    out += '"';
    size_t i = 0;
    while (i < s.size()) {
        size_t run = i;
        while (run < s.size() && plain(s[run])) ++run;
        out.append(s.data() + i, run - i);
        if (run == s.size()) break;
        const char c = s[run];
        if (static_cast<unsigned char>(c) >= 0x80) out += c;
        else appendEscaped(out, c);
        i = run + 1;
    }
    out += '"';
}

// An 8-bit text of the program (ISO-8859-1), written as UTF-8.
void appendLatin1(std::string& out, std::string_view s) {
    out += '"';
    size_t i = 0;
    while (i < s.size()) {
        size_t run = i;
        while (run < s.size() && plain(s[run])) ++run;
        out.append(s.data() + i, run - i);
        if (run == s.size()) break;
        const auto u = static_cast<unsigned char>(s[run]);
        if (u >= 0x80) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            appendEscaped(out, s[run]);
        }
        i = run + 1;
    }
    out += '"';
}

void appendInteger(std::string& out, std::int64_t v) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
}

// At most 15 significant digits, as the monitor line shows numbers (20.28, not
// 20.279999999999998); a whole value keeps ".0" so that the field stays a
// floating-point number for every reader. JSON has no infinity or NaN: null.
void appendDouble(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 15).ptr;
    const std::string_view digits(text, static_cast<size_t>(end - text));
    out += digits;
    if (digits.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void appendBool(std::string& out, bool b) { out += b ? "true" : "false"; }

void appendValue(std::string& out, const FieldValue& v) {
    switch (v.index()) {
        case 0: out += "null"; break;
        case 1: appendBool(out, std::get<bool>(v)); break;
        case 2: appendInteger(out, std::get<std::int64_t>(v)); break;
        case 3: appendDouble(out, std::get<double>(v)); break;
        default: appendLatin1(out, std::get<std::string>(v)); break;
    }
}

// ,"name":  (the first key of an object is written with its brace instead)
void appendKey(std::string& out, std::string_view name) {
    out += ',';
    appendString(out, name);
    out += ':';
}

void appendTime(std::string& out, const LocalTime& t) {
    out += '"';
    out += isoTime(t);
    out += '"';
}

}  // namespace

void appendReadingJson(std::string& out, const Reading& r) {
    out += "{\"time\":";
    appendTime(out, r.time);
    out += ",\"type\":";
    appendInteger(out, r.type);
    out += ",\"family\":";
    appendString(out, r.family);
    out += ",\"address\":";
    appendInteger(out, r.address);
    out += ",\"status\":";
    appendInteger(out, r.status);
    out += r.vhf ? ",\"band\":\"vhf\"" : ",\"band\":\"uhf\"";
    if (r.batteryLow) {
        out += ",\"battery_low\":";
        appendBool(out, *r.batteryLow);
    }
    if (r.firmware) {
        out += ",\"firmware\":";
        appendInteger(out, *r.firmware);
    }
    if (r.sLevel) {
        out += ",\"s_level\":";
        appendDouble(out, *r.sLevel);
    }
    for (const ReadingField& f : r.fields) {
        appendKey(out, f.name);
        appendValue(out, f.value);
    }
    out += ",\"line\":";
    if (r.line) appendLatin1(out, *r.line);
    else out += "null";
    out += '}';
}

void appendBadFrameJson(std::string& out, const BadFrameEvent& e) {
    out += "{\"event\":\"bad_frame\",\"time\":";
    appendTime(out, e.time);
    out += ",\"bytes\":";
    appendString(out, e.bytes);
    out += ",\"line\":";
    appendLatin1(out, e.line);
    out += '}';
}

void appendConnectionJson(std::string& out, const ConnectionEvent& e) {
    out += e.kind == ConnectionEvent::Kind::Lost ? "{\"event\":\"connection_lost\",\"time\":"
                                                 : "{\"event\":\"reconnected\",\"time\":";
    appendTime(out, e.time);
    out += ",\"device\":";
    appendString(out, e.device);
    out += '}';
}

std::string readingJson(const Reading& r) {
    std::string out;
    appendReadingJson(out, r);
    return out;
}

std::string badFrameJson(const BadFrameEvent& e) {
    std::string out;
    appendBadFrameJson(out, e);
    return out;
}

std::string connectionJson(const ConnectionEvent& e) {
    std::string out;
    appendConnectionJson(out, e);
    return out;
}

void JsonLinesSink::reading(const Reading& r) {
    line_.clear();
    appendReadingJson(line_, r);
    write();
}

void JsonLinesSink::badFrame(const BadFrameEvent& e) {
    line_.clear();
    appendBadFrameJson(line_, e);
    write();
}

void JsonLinesSink::connection(const ConnectionEvent& e) {
    line_.clear();
    appendConnectionJson(line_, e);
    write();
}

void JsonLinesSink::write() {
    line_ += '\n';
    if (std::fwrite(line_.data(), 1, line_.size(), out_) != line_.size()) failed_ = true;
    if (flushEachLine_ && std::fflush(out_) != 0) failed_ = true;
}

}  // namespace ravo
