// CachePrefetch: asks the processor to bring a cache line in ahead of a read that will need it.
#pragma once

namespace kv::cache {

// Starts bringing the line holding address into the cache, without waiting for it. GCC counts a
// prefetch as free of effects, so a function that only prefetches is taken for one that does
// nothing, and inlined calls to it are dropped whole; the empty volatile statement marks this
// one as having an effect, which keeps the prefetch where it was written.
inline void Prefetch(const void* address) {
    __builtin_prefetch(address);
    asm volatile("" : : "r"(address));
}

}  // namespace kv::cache
