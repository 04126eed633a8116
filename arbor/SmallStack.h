// SmallStack: the work stack of the tree walks. Block trees are shallow, so the first entries
// live inline and a walk usually allocates nothing; deeper or wider trees spill to the heap.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace kv::arbor {

template <typename T, size_t N>
class SmallStack {
public:
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    T& back() { return size_ <= N ? inline_[size_ - 1] : spill_.back(); }
    void push_back(const T& value) {
        if (size_ < N) {
            inline_[size_] = value;
        } else {
            spill_.push_back(value);
        }
        ++size_;
    }
    // A new entry on top, for the caller to fill in place.
    T& emplace_back() {
        if (size_ < N) return inline_[size_++];
        T& entry = spill_.emplace_back();
        ++size_;
        return entry;
    }
    // The entry index places from the bottom; valid until the stack grows.
    T& operator[](size_t index) { return index < N ? inline_[index] : spill_[index - N]; }
    void pop_back() {
        if (size_ > N) spill_.pop_back();
        --size_;
    }

private:
    // Left uninitialised: an entry is always written before it is read.
    std::array<T, N> inline_;
    std::vector<T> spill_;
    size_t size_ = 0;
};

}  // namespace kv::arbor
