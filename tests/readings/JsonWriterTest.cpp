// JsonWriter: numbers at 15 significant digits and the escaping of texts, against
// printf and a byte-by-byte escaper.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "readings/JsonWriter.h"

namespace ravo {
namespace {

std::string numberText(double v) {
    JsonWriter w;
    w.number(v);
    return std::string(w.text());
}

// What a JSON number of a reading must read: printf's 15 significant digits, and
// ".0" after a whole value so that the field stays a floating-point number.
std::string printfNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

TEST(JsonWriter, NumbersAt15DigitsWholeValuesKeepAPoint) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {20.0, "20.0"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {-20.0, "-20.0"},
        {0.5, "0.5"},
        {-0.5, "-0.5"},
        {-39.7 + 0.01 * 6000 + (-2e-8) * 1e6, "20.28"},  // 20.279999999999998
        {0.1 + 0.2, "0.3"},                              // 0.30000000000000004
        {1013.25, "1013.25"},
        {-3276.8, "-3276.8"},
        {0.0625, "0.0625"},
        {0.0001, "0.0001"},
        {-0.00015, "-0.00015"},
        {0.00001, "1e-05"},
        {2.5e-7, "2.5e-07"},
        {3.14159, "3.14159"},
        {1.0 / 3, "0.333333333333333"},
        {4294967295.0, "4294967295.0"},
        {99999999999.9999, "99999999999.9999"},
        {123456789012345.0, "123456789012345.0"},
        {1e15, "1e+15"},
        {1234567890123456.0, "1.23456789012346e+15"},
        {1e300, "1e+300"},
        {5e-324, "4.94065645841247e-324"},
        {std::numeric_limits<double>::infinity(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberText(c.value), c.text) << c.text;
        EXPECT_EQ(printfNumber(c.value), c.text) << c.text;  // the table itself is printf's
    }
}

// Decimals of every length and size, the doubles just above and below them, and
// arbitrary bit patterns: always the same text as printf's.
TEST(JsonWriter, NumbersMatchPrintfEverywhere) {
    std::uint64_t seed = 0x9E3779B97F4A7C15u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    int mismatches = 0;
    auto check = [&mismatches](double v) {
        const std::string got = numberText(v), want = printfNumber(v);
        if (got != want && ++mismatches <= 10) ADD_FAILURE() << want << " written as " << got;
    };
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(next() % 17);
        const auto n = static_cast<double>(next() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
        const double v = (next() & 1 ? -n : n) / std::pow(10.0, static_cast<double>(next() % 8));
        check(v);
        check(std::nextafter(v, HUGE_VAL));
        check(std::nextafter(v, -HUGE_VAL));
        std::uint64_t bits = next();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        check(any);
    }
    EXPECT_EQ(mismatches, 0);
}

// Byte by byte: quote and backslash escaped, \n \r \t \b \f by name, the other
// control characters as \u00xx; from 0x80 on, ISO-8859-1 becomes two bytes of
// UTF-8 and UTF-8 stays as it is.
std::string escapedByHand(const std::string& s, bool fromLatin1) {
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; continue;
            case '\\': out += "\\\\"; continue;
            case '\n': out += "\\n"; continue;
            case '\r': out += "\\r"; continue;
            case '\t': out += "\\t"; continue;
            case '\b': out += "\\b"; continue;
            case '\f': out += "\\f"; continue;
            default: break;
        }
        if (u < 0x20) {
            char text[8];
            std::snprintf(text, sizeof text, "\\u%04x", u);
            out += text;
        } else if (u >= 0x80 && fromLatin1) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string quotedText(const std::string& s, bool fromLatin1) {
    JsonWriter w;
    if (fromLatin1) w.latin1(s);
    else w.string(s);
    return std::string(w.text());
}

TEST(JsonWriter, TextsEscaped) {
    const struct {
        std::string text;
        bool fromLatin1;
        const char* json;
    } cases[] = {
        {"", true, "\"\""},
        {"21.5 \xB0"
         "C",
         true,
         "\"21.5 \xC2\xB0"
         "C\""},
        {"\xFF\x80", true, "\"\xC3\xBF\xC2\x80\""},
        {"\xC3\xA9t\xC3\xA9", false, "\"\xC3\xA9t\xC3\xA9\""},
        {"a\"b\\c/d", false, "\"a\\\"b\\\\c/d\""},
        {"\n\r\t\b\f", true, "\"\\n\\r\\t\\b\\f\""},
        {std::string("\x00\x01\x1F\x7F", 4), false, "\"\\u0000\\u0001\\u001f\x7F\""},
    };
    for (const auto& c : cases) EXPECT_EQ(quotedText(c.text, c.fromLatin1), c.json) << c.json;
}

// Every byte at every place of texts up to 24 long, alone and beside another
// byte, so that each is met in every lane of a group of eight and in the tail.
TEST(JsonWriter, EveryByteAtEveryPlace) {
    int mismatches = 0;
    for (const bool fromLatin1 : {true, false}) {
        for (int b = 0; b < 256; ++b) {
            for (size_t length = 1; length <= 24; ++length) {
                for (size_t at = 0; at < length; ++at) {
                    std::string s(length, 'x');
                    s[at] = static_cast<char>(b);
                    if (at + 2 < length) s[at + 2] = static_cast<char>(255 - b);
                    const std::string got = quotedText(s, fromLatin1), want = escapedByHand(s, fromLatin1);
                    if (got != want && ++mismatches <= 10)
                        ADD_FAILURE() << "byte " << b << " at " << at << " of " << length
                                      << (fromLatin1 ? " (Latin-1)" : "") << ": " << got << " instead of " << want;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace ravo
