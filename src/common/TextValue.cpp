#include "common/TextValue.h"

#include <charconv>
#include <cmath>
#include <string>

namespace ravo {

double textValue(std::string_view text) {
    std::string number;  // the part that forms a number, blanks removed
    size_t i = 0;
    auto next = [&]() -> int {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        return i < text.size() ? static_cast<unsigned char>(text[i]) : -1;
    };
    int c = next();
    if (c == '+' || c == '-') {
        if (c == '-') number.push_back('-');
        ++i;
        c = next();
    }
    bool digits = false;
    while (c >= '0' && c <= '9') {
        number.push_back(static_cast<char>(c));
        digits = true;
        ++i;
        c = next();
    }
    if (c == '.') {
        number.push_back('.');
        ++i;
        c = next();
        while (c >= '0' && c <= '9') {
            number.push_back(static_cast<char>(c));
            digits = true;
            ++i;
            c = next();
        }
    }
    if (!digits) return 0;
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        std::string exponent = "e";
        ++i;
        c = next();
        if (c == '+' || c == '-') {
            exponent.push_back(static_cast<char>(c));
            ++i;
            c = next();
        }
        bool expDigits = false;
        while (c >= '0' && c <= '9') {
            exponent.push_back(static_cast<char>(c));
            expDigits = true;
            ++i;
            c = next();
        }
        if (expDigits) number += exponent;
    }
    if (number.back() == '.') number.pop_back();
    double value = 0;
    const char* first = number.data();
    if (*first == '-' && number.size() == 1) return 0;
    auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return 0;
    return value == 0 ? 0.0 : value;  // no negative zero
}

double roundHalfEven(double value) {
    const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
    return r == 0 ? 0.0 : r;
}

}  // namespace ravo
