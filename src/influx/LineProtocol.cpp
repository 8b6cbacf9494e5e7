#include "influx/LineProtocol.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "readings/IsoTime.h"

namespace ravo {
namespace {

// A key (measurement, tag key or value, field key): the separators it may hold
// are escaped with a backslash, and so is a backslash, so that one at the end
// cannot escape the separator behind it. Control characters, which no line may
// hold, become escaped blanks.
void appendKey(std::string& out, std::string_view key, bool measurement) {
    for (const char c : key) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            out += "\\ ";
            continue;
        }
        if (c == ',' || c == ' ' || c == '\\' || (c == '=' && !measurement)) out += '\\';
        out += c;
    }
}

// A string field value: quoted, with '"' and '\' escaped; the 8-bit text of the
// program becomes UTF-8.
void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') out += '\\';
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    out += '"';
}

void appendInteger(std::string& out, std::int64_t v) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
}

// The shortest text that reads back as the same double.
void appendDouble(std::string& out, double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
}

bool finite(double v) { return std::isfinite(v); }

// Appends ",key=value" (or "key=value" for the first field) as `kind` says;
// false when the value is null or has no form of that kind (nothing is appended).
bool appendField(std::string& out, bool first, std::string_view key, FieldKind kind, const FieldValue& v) {
    if (std::holds_alternative<std::nullptr_t>(v)) return false;
    const size_t start = out.size();
    if (!first) out += ',';
    appendKey(out, key, false);
    out += '=';
    bool written = true;
    switch (kind) {
        case FieldKind::Number:
            if (const auto* i = std::get_if<std::int64_t>(&v)) appendDouble(out, static_cast<double>(*i));
            else if (const auto* d = std::get_if<double>(&v); d && finite(*d)) appendDouble(out, *d);
            else if (const auto* b = std::get_if<bool>(&v)) out += *b ? '1' : '0';
            else written = false;
            break;
        case FieldKind::Counter:
            if (const auto* i = std::get_if<std::int64_t>(&v)) {
                appendInteger(out, *i);
            } else if (const auto* d = std::get_if<double>(&v);
                       d && finite(*d) && std::fabs(*d) < 9.2e18) {  // within the range of a 64-bit integer
                appendInteger(out, std::llround(*d));
            } else {
                written = false;
            }
            if (written) out += 'i';
            break;
        case FieldKind::Flag:
            if (const auto* b = std::get_if<bool>(&v)) out += *b ? "true" : "false";
            else if (const auto* i = std::get_if<std::int64_t>(&v)) out += *i != 0 ? "true" : "false";
            else if (const auto* d = std::get_if<double>(&v)) out += *d != 0 ? "true" : "false";
            else written = false;
            break;
        case FieldKind::Text:
            if (const auto* s = std::get_if<std::string>(&v)) {
                appendString(out, *s);
            } else {
                std::string text;
                if (const auto* b = std::get_if<bool>(&v)) text = *b ? "true" : "false";
                else if (const auto* i = std::get_if<std::int64_t>(&v)) appendInteger(text, *i);
                else if (const auto* d = std::get_if<double>(&v); d && finite(*d)) appendDouble(text, *d);
                else written = false;
                if (written) appendString(out, text);
            }
            break;
    }
    if (!written) out.resize(start);
    return written;
}

}  // namespace

std::int64_t unixMillis(const LocalTime& t) {
    return wallMillis(t) - static_cast<std::int64_t>(utcOffsetMinutes(t)) * 60000;
}

void appendReadingLine(std::string& out, const Reading& r, std::int64_t unixMs) {
    // A measurement may not be empty; a reading no decoder named goes to "unknown".
    appendKey(out, r.family.empty() ? std::string_view("unknown") : std::string_view(r.family), true);
    out += ",address=";
    appendInteger(out, r.address);
    out += r.vhf ? ",band=vhf " : ",band=uhf ";
    out += "status=";
    appendInteger(out, r.status);
    out += 'i';
    if (r.sLevel) appendField(out, false, kSLevelField.name, kSLevelField.kind, *r.sLevel);
    if (r.batteryLow) appendField(out, false, kBatteryLowField.name, kBatteryLowField.kind, *r.batteryLow);
    for (const ReadingField& f : r.fields) appendField(out, false, f.name(), f.decl->kind, f.value);
    out += ' ';
    appendInteger(out, unixMs);
}

std::string readingLine(const Reading& r) {
    std::string out;
    appendReadingLine(out, r, unixMillis(r.time));
    return out;
}

}  // namespace ravo
