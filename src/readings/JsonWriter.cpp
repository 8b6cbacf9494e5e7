#include "readings/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ravo {

void JsonWriter::integer(std::int64_t v) {
    char* p = room(24);
    size_ += static_cast<size_t>(std::to_chars(p, p + 24, v).ptr - p);
}

namespace {

constexpr double kScale[] = {1, 10, 100, 1000, 10000};
constexpr std::uint64_t kWholeScale[] = {1, 10, 100, 1000, 10000};

// Most values a transmitter sends have a few decimals (20.5, 1013.25, 3.0): when v
// is the double nearest to N / 10^k (k <= 4, N < 10^15), that decimal is exactly
// what 15 significant digits show, and it is written without the general
// conversion. Returns the end, or nothing when v is not such a value.
char* shortDecimal(char* p, double v) {
    const double magnitude = std::fabs(v);
    if (!(magnitude < 1e11)) return nullptr;  // so that N < 10^15
    for (int k = 0; k < 5; ++k) {
        const double scaled = std::floor(magnitude * kScale[k] + 0.5);
        if (scaled / kScale[k] != magnitude) continue;
        // The smallest such k: the last decimal is not a zero. A non-zero N / 10^k
        // is at least 0.0001, which 15 digits show without an exponent.
        const auto n = static_cast<std::uint64_t>(scaled);
        if (std::signbit(v)) *p++ = '-';
        p = std::to_chars(p, p + 20, n / kWholeScale[k]).ptr;
        *p++ = '.';
        if (k == 0) {
            *p++ = '0';
            return p;
        }
        std::uint64_t decimals = n % kWholeScale[k];
        for (int i = k; i-- > 0; decimals /= 10) p[i] = static_cast<char>('0' + decimals % 10);
        return p + k;
    }
    return nullptr;
}

}  // namespace

void JsonWriter::number(double v) {
    if (!std::isfinite(v)) {
        literal("null");
        return;
    }
    char* p = room(40);
    char* end = shortDecimal(p, v);
    if (!end) {
        end = std::to_chars(p, p + 38, v, std::chars_format::general, 15).ptr;
        if (std::string_view(p, static_cast<size_t>(end - p)).find_first_of(".e") == std::string_view::npos) {
            *end++ = '.';
            *end++ = '0';
        }
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

// Whether any of eight bytes is not plain: below 0x20, a quote, a backslash, or
// (in ISO-8859-1 texts) from 0x80 on. Exact as a yes or no, never for which byte.
bool anyEscaped(std::uint64_t eight, bool fromLatin1) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    auto anyZero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
    const std::uint64_t below20 = (eight - 0x20 * kOnes) & ~eight & kHigh;
    const std::uint64_t quote = anyZero(eight ^ ('"' * kOnes));
    const std::uint64_t backslash = anyZero(eight ^ ('\\' * kOnes));
    const std::uint64_t high = fromLatin1 ? eight & kHigh : 0;
    return (below20 | quote | backslash | high) != 0;
}

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
        // A run of plain bytes: eight at a time while none of the eight needs
        // escaping, then byte by byte up to the one that does.
        while (end - in >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, in, 8);
            if (anyEscaped(eight, fromLatin1)) break;
            std::memcpy(p, in, 8);
            p += 8;
            in += 8;
        }
        while (in < end && plain[static_cast<unsigned char>(*in)]) *p++ = *in++;
        if (in == end) break;
        const char c = *in++;
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
