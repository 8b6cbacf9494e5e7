// The bytes received from the receiver and not yet taken by the frame decoder.
// The receive event appends at the end; the frame decoder removes from the front.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ravo {

class ReceiveBuffer {
public:
    static constexpr size_t npos = std::string::npos;

    void append(std::string_view bytes) { data_.append(bytes); }
    void clear();
    bool empty() const { return size() == 0; }
    size_t size() const { return data_.size() - head_; }
    std::string_view view() const { return std::string_view(data_).substr(head_); }

    // The byte at a 0-based index (index < size()).
    unsigned char at(size_t index) const { return static_cast<unsigned char>(data_[head_ + index]); }

    // 0-based index of the first occurrence, or npos.
    size_t find(char c) const;
    size_t find(std::string_view s) const;

    // Removes n bytes (at most all) from the front.
    void removeFront(size_t n);

private:
    std::string data_;
    size_t head_ = 0;  // bytes before head_ are already consumed
};

}  // namespace ravo
