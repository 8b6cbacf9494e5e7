#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ravo {
namespace {

// The magnitude of a finite, non-zero value as up to 15 significant decimal
// digits (trailing zeros removed) and the decimal exponent of the first digit.
struct Digits {
    std::string digits;  // e.g. "215" for 21.5
    int exponent = 0;    // e.g. 1 for 21.5 (2.15e1)
};

Digits significantDigits(double magnitude) {
    char buf[40];
    // d.dddddddddddddde+XX, correctly rounded to 15 significant digits
    const auto r = std::to_chars(buf, buf + sizeof buf - 1, magnitude, std::chars_format::scientific, 14);
    *r.ptr = '\0';
    Digits d;
    d.digits.push_back(buf[0]);
    const char* p = buf + 2;
    while (*p != 'e') d.digits.push_back(*p++);
    d.exponent = std::atoi(p + 1);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Renders a magnitude; leadingZero chooses "0.5" over ".5".
std::string magnitudeText(double magnitude, char separator, bool leadingZero) {
    if (magnitude == 0) return "0";
    if (std::isinf(magnitude)) return "inf";
    if (std::isnan(magnitude)) return "nan";
    // Whole numbers of up to 15 digits, the most common case, need no rounding.
    if (magnitude < 1e15 && magnitude == std::floor(magnitude))
        return std::to_string(static_cast<long long>(magnitude));
    const Digits d = significantDigits(magnitude);
    const int n = static_cast<int>(d.digits.size());
    std::string out;
    if (d.exponent >= 15 || d.exponent < -4) {
        // Scientific form as 1.5E+15 or 1E-05.
        out.push_back(d.digits[0]);
        if (n > 1) {
            out.push_back(separator);
            out.append(d.digits, 1, std::string::npos);
        }
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
        out += exp;
        return out;
    }
    if (d.exponent < 0) {
        if (leadingZero) out.push_back('0');
        out.push_back(separator);
        out.append(static_cast<size_t>(-d.exponent - 1), '0');
        out += d.digits;
        return out;
    }
    const int intDigits = d.exponent + 1;
    if (n <= intDigits) {
        out = d.digits;
        out.append(static_cast<size_t>(intDigits - n), '0');
    } else {
        out.assign(d.digits, 0, static_cast<size_t>(intDigits));
        out.push_back(separator);
        out.append(d.digits, static_cast<size_t>(intDigits), std::string::npos);
    }
    return out;
}

}  // namespace

std::string spacedNumber(double value) {
    if (value == 0) return " 0";  // also a negative zero
    return (value < 0 ? "-" : " ") + magnitudeText(std::fabs(value), '.', false);
}

std::string numberText(double value, char decimalSeparator) {
    if (value == 0) return "0";
    return (value < 0 ? "-" : "") + magnitudeText(std::fabs(value), decimalSeparator, true);
}

std::string twoDecimals(double value) {
    if (!std::isfinite(value)) return numberText(value);
    // Round the 15-significant-digit decimal form, so that a value such as 1.005
    // (stored as 1.00499999...) rounds the way its decimal text reads.
    std::string intPart = "0";
    std::string frac;  // all fraction digits
    if (value != 0) {
        const Digits d = significantDigits(std::fabs(value));
        const int intDigits = d.exponent + 1;
        if (intDigits <= 0) {
            frac = std::string(static_cast<size_t>(-intDigits), '0') + d.digits;
        } else if (static_cast<int>(d.digits.size()) <= intDigits) {
            intPart = d.digits + std::string(static_cast<size_t>(intDigits) - d.digits.size(), '0');
        } else {
            intPart = d.digits.substr(0, static_cast<size_t>(intDigits));
            frac = d.digits.substr(static_cast<size_t>(intDigits));
        }
    }
    const bool roundUp = frac.size() > 2 && frac[2] >= '5';
    frac.resize(2, '0');
    std::string all = intPart + frac;  // the value times 100 as decimal digits
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<size_t>(i)] == '9') all[static_cast<size_t>(i--)] = '0';
        if (i < 0) all.insert(all.begin(), '1');
        else ++all[static_cast<size_t>(i)];
    }
    while (all.size() < 4) all.insert(all.begin(), '0');
    std::string out = all.substr(0, all.size() - 2) + "." + all.substr(all.size() - 2);
    // A value that rounds to zero carries no sign.
    const bool zero = all.find_first_not_of('0') == std::string::npos;
    return (value < 0 && !zero ? "-" : "") + out;
}

constexpr char kHex[] = "0123456789ABCDEF";

std::string hexByte(int value) { return {kHex[(value >> 4) & 0xF], kHex[value & 0xF]}; }

std::string hexDigits(std::uint64_t value) {
    char buf[16];
    int n = 0;
    do {
        buf[n++] = kHex[value & 0xF];
        value >>= 4;
    } while (value);
    std::string out;
    while (n > 0) out.push_back(buf[--n]);
    return out;
}

std::string decimalText(long long value) { return std::to_string(value); }

}  // namespace ravo
