// A small writer of JSON text into a buffer kept from line to line: room is made
// once per item and the characters are written in place, so a reading costs no
// allocation once the buffer has grown to the longest line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace ravo {

class JsonWriter {
public:
    void clear() { size_ = 0; }
    std::string_view text() const { return {buffer_.data(), size_}; }

    template <size_t N>
    void literal(const char (&s)[N]) {  // a string literal, written as it is
        std::memcpy(room(N - 1), s, N - 1);
        size_ += N - 1;
    }
    void character(char c) {
        *room(1) = c;
        ++size_;
    }
    void integer(std::int64_t v);
    // At most 15 significant digits; a whole value keeps ".0"; null for infinities and NaN.
    void number(double v);
    void boolean(bool b);
    void string(std::string_view utf8);    // quoted and escaped, bytes as they are
    void latin1(std::string_view latin1);  // quoted and escaped, ISO-8859-1 written as UTF-8

private:
    char* room(size_t n) {
        if (size_ + n > buffer_.size()) buffer_.resize(size_ + n + buffer_.size() + 256);
        return buffer_.data() + size_;
    }
    void quoted(std::string_view s, bool fromLatin1);

    std::vector<char> buffer_;
    size_t size_ = 0;
};

}  // namespace ravo
