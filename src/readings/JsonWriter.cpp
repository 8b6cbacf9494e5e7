#include "readings/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ravo {

void JsonWriter::integer(std::int64_t v) {
    char* p = room(24);
    size_ += static_cast<size_t>(std::to_chars(p, p + 24, v).ptr - p);
}

void JsonWriter::number(double v) {
    if (!std::isfinite(v)) {
        literal("null");
        return;
    }
    char* p = room(40);
    char* end = std::to_chars(p, p + 38, v, std::chars_format::general, 15).ptr;
    if (std::string_view(p, static_cast<size_t>(end - p)).find_first_of(".e") == std::string_view::npos) {
        *end++ = '.';
        *end++ = '0';
    }
    size_ += static_cast<size_t>(end - p);
}

void JsonWriter::boolean(bool b) {
    if (b) literal("true");
    else literal("false");
}

void JsonWriter::string(std::string_view utf8) { quoted(utf8, false); }
void JsonWriter::latin1(std::string_view latin1) { quoted(latin1, true); }

namespace {

// Bytes written as they are: printable ASCII but the quote and the backslash, and
// (in UTF-8 texts) every byte from 0x80.
struct PlainBytes {
    bool ascii[256];
    bool utf8[256];
    constexpr PlainBytes() : ascii(), utf8() {
        for (int c = 0; c < 256; ++c) {
            ascii[c] = c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
            utf8[c] = ascii[c] || c >= 0x80;
        }
    }
};
constexpr PlainBytes kPlain;

}  // namespace

void JsonWriter::quoted(std::string_view s, bool fromLatin1) {
    static constexpr char kHex[] = "0123456789abcdef";
    const bool* plain = fromLatin1 ? kPlain.ascii : kPlain.utf8;
    // Six characters at most for one byte (\u00XX), and the quotes.
    char* const start = room(6 * s.size() + 2);
    char* p = start;
    *p++ = '"';
    const char* in = s.data();
    const char* const end = in + s.size();
    while (in < end) {
        // A run of plain bytes in one copy.
        const char* run = in;
        while (run < end && plain[static_cast<unsigned char>(*run)]) ++run;
        std::memcpy(p, in, static_cast<size_t>(run - in));
        p += run - in;
        if (run == end) break;
        const char c = *run;
        in = run + 1;
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {  // ISO-8859-1: the code point of the same value, two bytes of UTF-8
            *p++ = static_cast<char>(0xC0 | (u >> 6));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        *p++ = '\\';
        switch (c) {
            case '"': *p++ = '"'; break;
            case '\\': *p++ = '\\'; break;
            case '\n': *p++ = 'n'; break;
            case '\r': *p++ = 'r'; break;
            case '\t': *p++ = 't'; break;
            case '\b': *p++ = 'b'; break;
            case '\f': *p++ = 'f'; break;
            default:
                *p++ = 'u';
                *p++ = '0';
                *p++ = '0';
                *p++ = kHex[u >> 4];
                *p++ = kHex[u & 15];
                break;
        }
    }
    *p++ = '"';
    size_ += static_cast<size_t>(p - start);
}

}  // namespace ravo
