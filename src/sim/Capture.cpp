#include "sim/Capture.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ravo::capture {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Reads exactly `width` decimal digits at s[pos].
bool digits(std::string_view s, size_t pos, size_t width, int& out) {
    if (pos + width > s.size()) return false;
    out = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

Record parseTime(std::string_view s) {
    LocalTime t;
    const bool shape = s.size() >= 19 && digits(s, 0, 4, t.year) && s[4] == '-' && digits(s, 5, 2, t.month) &&
                       s[7] == '-' && digits(s, 8, 2, t.day) && s[10] == ' ' && digits(s, 11, 2, t.hour) &&
                       s[13] == ':' && digits(s, 14, 2, t.minute) && s[16] == ':' && digits(s, 17, 2, t.second);
    bool ok = shape;
    if (ok && s.size() > 19) ok = s.size() == 23 && s[19] == '.' && digits(s, 20, 3, t.millisecond);
    if (!ok || !isValidLocalTime(t)) return Invalid{"bad time (want @YYYY-MM-DD HH:MM:SS[.mmm])"};
    return SetTime{t};
}

Record parseAdvance(std::string_view s) {
    double seconds = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), seconds, std::chars_format::fixed);
    if (s.empty() || s[0] == '-' || s[0] == '+' || ec != std::errc() || p != s.data() + s.size() ||
        !std::isfinite(seconds))
        return Invalid{"bad clock step (want +SECONDS)"};
    return Advance{seconds};
}

Record parseHex(std::string_view s) {
    std::string bytes;
    size_t i = 0;
    while (i < s.size()) {
        if (isBlank(s[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= s.size() || hexDigit(s[i]) < 0 || hexDigit(s[i + 1]) < 0)
            return Invalid{"bad byte pairs (want hexadecimal pairs such as 82 00 04 D2)"};
        bytes.push_back(static_cast<char>(hexDigit(s[i]) * 16 + hexDigit(s[i + 1])));
        i += 2;
    }
    return Receive{bytes};
}

Record parseQuoted(std::string_view s) {
    if (s.size() < 2 || s.back() != '"') return Invalid{"unterminated quoted text"};
    const std::string_view body = s.substr(1, s.size() - 2);
    std::string bytes;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '"') return Invalid{"unescaped quote inside quoted text"};
        if (c != '\\') {
            bytes.push_back(c);
            continue;
        }
        if (++i >= body.size()) return Invalid{"lone backslash at the end of quoted text"};
        switch (body[i]) {
            case 'r': bytes.push_back('\r'); break;
            case 'n': bytes.push_back('\n'); break;
            case 't': bytes.push_back('\t'); break;
            case '\\': bytes.push_back('\\'); break;
            case '"': bytes.push_back('"'); break;
            case 'x':
                if (i + 2 >= body.size() || hexDigit(body[i + 1]) < 0 || hexDigit(body[i + 2]) < 0)
                    return Invalid{"bad \\x escape (want \\xHH)"};
                bytes.push_back(static_cast<char>(hexDigit(body[i + 1]) * 16 + hexDigit(body[i + 2])));
                i += 2;
                break;
            default: return Invalid{std::string("unknown escape \\") + body[i]};
        }
    }
    return Receive{bytes};
}

// "!verb rest": the verb and what follows its single separating space.
Record parseAction(std::string_view s) {
    const size_t space = s.find(' ');
    const std::string_view verb = s.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : s.substr(space + 1);
    if (verb == "!set") {
        const size_t sep = rest.find(' ');
        const std::string_view name = rest.substr(0, sep);
        if (name.empty()) return Invalid{"!set needs a box name"};
        return Set{std::string(name),
                   sep == std::string_view::npos ? std::string() : std::string(rest.substr(sep + 1))};
    }
    if (verb == "!click" || verb == "!dblclick") {
        if (rest.empty() || rest.find_first_of(" \t") != std::string_view::npos)
            return Invalid{std::string(verb) + " needs one control name"};
        if (verb == "!click") return Click{std::string(rest)};
        return DoubleClick{std::string(rest)};
    }
    return Invalid{"unknown action " + std::string(verb)};
}

}  // namespace

Record parseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t first = 0;
    while (first < line.size() && isBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') return Ignore{};
    if (line[0] == '@') return parseTime(line.substr(1));
    if (line[0] == '+') return parseAdvance(line.substr(1));
    if (line[0] == '"') return parseQuoted(line);
    if (line[0] == '!') return parseAction(line);
    return parseHex(line);
}

std::string hexLine(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string quotedLine(std::string_view bytes) {
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\r') out += "\\r";
        else if (ch == '\n') out += "\\n";
        else if (ch == '\t') out += "\\t";
        else if (ch == '\\') out += "\\\\";
        else if (ch == '"') out += "\\\"";
        else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else out.push_back(ch);
    }
    return out + "\"";
}

std::string timeLine(const LocalTime& t) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "@%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return buf;
}

}  // namespace ravo::capture
