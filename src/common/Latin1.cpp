#include "common/Latin1.h"

namespace ravo {

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool utf8ToLatin1(std::string_view utf8, std::string& out) {
    out.clear();
    bool clean = true;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        unsigned cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = len > 1 && i + len <= utf8.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<unsigned char>(utf8[i + k]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (ok && cp <= 0xFF) {
            out.push_back(static_cast<char>(cp));
        } else {
            out.push_back('?');
            clean = false;
        }
        i += ok ? len : 1;
    }
    return clean;
}

}  // namespace ravo
