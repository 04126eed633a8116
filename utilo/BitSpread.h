// BitSpread: for the hand-made hash tables that index by mask, which keeps a hash's low bits.
#pragma once

#include <cstdint>

namespace kv::hash {

// value with every one of its bits spread over the low ones: keys whose differences lie in high
// bits (aligned addresses, a word's last bytes) then land in different slots.
inline std::uint64_t SpreadBits(std::uint64_t value) {
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    return value;
}

}  // namespace kv::hash
