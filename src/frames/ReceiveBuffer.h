// The bytes received from the receiver and not yet taken by the frame decoder.
// The receive event appends at the end; the frame decoder removes from the front.
//
// The frame decoder looks for the first CR, 0xFF pair, "Rtl", ETX and STX on every
// call. Those searches remember where they got to, so a call costs the same
// however long the backlog is: each byte is scanned at most once per pattern.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ravo {

class ReceiveBuffer {
public:
    static constexpr size_t npos = std::string::npos;

    // The patterns the frame decoder looks for.
    enum Pattern { Cr, FfPair, Rtl, Etx, Stx, PatternCount };

    void append(std::string_view bytes) { data_.append(bytes); }
    void clear();
    bool empty() const { return size() == 0; }
    size_t size() const { return data_.size() - head_; }
    std::string_view view() const { return std::string_view(data_).substr(head_); }

    // The byte at a 0-based index (index < size()).
    unsigned char at(size_t index) const { return static_cast<unsigned char>(data_[head_ + index]); }

    // 0-based index of the first occurrence of a pattern, or npos.
    size_t find(Pattern p) const;
    // Makes find() pass over the occurrence at this index from now on (a wait for
    // its line end was given up).
    void skipOccurrence(Pattern p, size_t index);

    // Removes n bytes (at most all) from the front.
    void removeFront(size_t n);

    // Bytes ever removed from the front (or cleared): positions in the stream.
    size_t consumed() const { return base_ + head_; }

private:
    struct Search {
        size_t found = npos;  // stream position of the first occurrence found
        size_t next = 0;      // stream position where the next search starts
    };

    std::string data_;
    size_t head_ = 0;  // data_[0, head_) is already consumed
    size_t base_ = 0;  // stream position of data_[0]
    mutable std::array<Search, PatternCount> searches_{};
};

}  // namespace ravo
