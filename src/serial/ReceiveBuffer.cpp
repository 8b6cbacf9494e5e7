#include "serial/ReceiveBuffer.h"

namespace ravo {

void ReceiveBuffer::clear() {
    data_.clear();
    head_ = 0;
}

size_t ReceiveBuffer::find(char c) const {
    const size_t p = data_.find(c, head_);
    return p == std::string::npos ? npos : p - head_;
}

size_t ReceiveBuffer::find(std::string_view s) const {
    const size_t p = data_.find(s, head_);
    return p == std::string::npos ? npos : p - head_;
}

void ReceiveBuffer::removeFront(size_t n) {
    head_ += n < size() ? n : size();
    // Drop the consumed prefix once it outweighs what is left, so memory follows
    // the backlog and a removal costs amortised constant time.
    if (head_ == data_.size()) {
        data_.clear();
        head_ = 0;
    } else if (head_ > 4096 && head_ > data_.size() / 2) {
        data_.erase(0, head_);
        head_ = 0;
    }
}

}  // namespace ravo
