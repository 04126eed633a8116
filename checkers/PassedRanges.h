// PassedRanges: which cooking parameters have had every value pass a parameter's range check.
// A recipe names the same parameters again and again; a check that passed once passes again, as
// the tables are fixed once loaded. What the check reads of a parameter (its type and range) is
// named by a small number, as the parameters themselves may be copies made per call. The pairs
// sit in one open-addressed array, so that a lookup in a large recipe costs one read of memory
// that is likely out of the cache, not the several of a node-based set of text keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "utilo/BitSpread.h"

class PassedRanges {
public:
    // The number naming a type and range; the same texts always get the same number.
    std::uint32_t RangeOf(const std::string& dataType, const std::string& low,
                          const std::string& high) {
        key_.assign(dataType);
        for (const std::string* part : {&low, &high}) {
            key_ += '\0';
            key_ += *part;
        }
        return ranges_.try_emplace(key_, static_cast<std::uint32_t>(ranges_.size()))
            .first->second;
    }

    bool Contains(const void* parameter, std::uint32_t range) const {
        if (slots_.empty()) return false;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = Hash(parameter, range) & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.parameter == nullptr) return false;
            if (slot.parameter == parameter && slot.range == range) return true;
        }
    }

    void Insert(const void* parameter, std::uint32_t range) {
        if (Contains(parameter, range)) return;
        // At most half full, so that a probe ends soon; a power of two, so that it wraps by mask.
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        Place(parameter, range);
        ++count_;
    }

private:
    struct Slot {
        const void* parameter = nullptr;
        std::uint32_t range = 0;
    };

    // Addresses are aligned, so their low bits are all alike.
    static std::size_t Hash(const void* parameter, std::uint32_t range) {
        const auto address =
            static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(parameter));
        return static_cast<std::size_t>(
            kv::hash::SpreadBits(address ^ (static_cast<std::uint64_t>(range) << 40)));
    }

    void Place(const void* parameter, std::uint32_t range) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = Hash(parameter, range) & mask;
        while (slots_[at].parameter != nullptr) at = (at + 1) & mask;
        slots_[at] = Slot{parameter, range};
    }

    void Grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.parameter != nullptr) Place(slot.parameter, slot.range);
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    std::unordered_map<std::string, std::uint32_t> ranges_;
    std::string key_;
};
