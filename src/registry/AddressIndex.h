// A hash index from transmitter address to a value, open addressing with linear
// probing in one array: a look-up touches one or two cache lines, where a
// node-based map would follow pointers and divide.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ravo {

template <class Value>
class AddressIndex {
public:
    std::size_t size() const { return count_; }

    Value* find(std::int32_t key) { return const_cast<Value*>(static_cast<const AddressIndex*>(this)->find(key)); }
    const Value* find(std::int32_t key) const {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            if (slots_[i].key == key) return &slots_[i].value;
            if (slots_[i].key == kEmpty) return nullptr;
        }
    }

    // `key` must not be in the index yet.
    void insert(std::int32_t key, Value value) {
        if (2 * (count_ + 1) > slots_.size()) grow();
        std::size_t i = home(key);
        while (slots_[i].key != kEmpty) i = (i + 1) & mask();
        slots_[i] = {key, value};
        ++count_;
    }

    void erase(std::int32_t key) {
        if (slots_.empty()) return;
        std::size_t i = home(key);
        while (slots_[i].key != key) {
            if (slots_[i].key == kEmpty) return;
            i = (i + 1) & mask();
        }
        // Later members of the probe run move up into the gap, so no search stops early.
        for (std::size_t j = (i + 1) & mask(); slots_[j].key != kEmpty; j = (j + 1) & mask()) {
            const std::size_t h = home(slots_[j].key);
            const bool between = i <= j ? (i < h && h <= j) : (i < h || h <= j);
            if (between) continue;
            slots_[i] = slots_[j];
            i = j;
        }
        slots_[i].key = kEmpty;
        --count_;
    }

private:
    static constexpr std::int32_t kEmpty = INT32_MIN;
    struct Slot {
        std::int32_t key = kEmpty;
        Value value{};
    };

    std::size_t mask() const { return slots_.size() - 1; }
    std::size_t home(std::int32_t key) const {
        return static_cast<std::size_t>((static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> shift_);
    }
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        shift_ = 32;
        for (std::size_t n = slots_.size(); n > 1; n >>= 1) --shift_;
        count_ = 0;
        for (const Slot& s : old)
            if (s.key != kEmpty) insert(s.key, s.value);
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    unsigned shift_ = 32;
};

}  // namespace ravo
