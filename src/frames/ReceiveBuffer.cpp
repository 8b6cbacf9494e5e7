#include "frames/ReceiveBuffer.h"

#include <algorithm>

namespace ravo {
namespace {

constexpr std::string_view kPatterns[] = {"\r", std::string_view("\xFF\xFF", 2), "Rtl", "\x03", "\x02"};

}  // namespace

void ReceiveBuffer::clear() {
    base_ += data_.size();
    data_.clear();
    head_ = 0;
}

size_t ReceiveBuffer::find(Pattern p) const {
    Search& s = searches_[p];
    const size_t headPos = base_ + head_;
    if (s.found != npos) {
        if (s.found >= headPos) return s.found - headPos;
        s.next = std::max(s.next, s.found + 1);  // that one was consumed
        s.found = npos;
    }
    const std::string_view pattern = kPatterns[p];
    const size_t endPos = base_ + data_.size();
    const size_t start = std::max(headPos, s.next);
    if (start + pattern.size() > endPos) return npos;
    const size_t at = std::string_view(data_).find(pattern, start - base_);
    if (at == std::string::npos) {
        // No occurrence starts before the last (pattern length - 1) bytes.
        s.next = endPos - pattern.size() + 1;
        return npos;
    }
    s.found = base_ + at;
    return s.found - headPos;
}

void ReceiveBuffer::skipOccurrence(Pattern p, size_t index) {
    Search& s = searches_[p];
    s.found = npos;
    s.next = std::max(s.next, base_ + head_ + index + 1);
}

void ReceiveBuffer::removeFront(size_t n) {
    head_ += std::min(n, size());
    // Drop the consumed prefix once it outweighs what is left, so memory follows
    // the backlog and a removal costs amortised constant time.
    if (head_ == data_.size()) {
        base_ += data_.size();
        data_.clear();
        head_ = 0;
    } else if (head_ > 4096 && head_ > data_.size() / 2) {
        data_.erase(0, head_);
        base_ += head_;
        head_ = 0;
    }
}

}  // namespace ravo
