// FaultAhead: the thread that populates the heap's next pages.
#include "tools/kvc/FaultAhead.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kv::kvc {
namespace {

#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
constexpr bool kCanPopulate = true;
// Faults in [begin, end) for writing without writing to it; false when the system refuses.
bool Populate(uintptr_t begin, uintptr_t end) {
    return madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) == 0;
}
#else
constexpr bool kCanPopulate = false;
bool Populate(uintptr_t, uintptr_t) { return false; }
#endif

constexpr uintptr_t kHugePage = 2u << 20;
// How long the thread waits before it looks at the heap again: the analysis takes a huge page
// every few tens of milliseconds at most, so the memory ahead is never used up in one wait.
constexpr auto kRound = std::chrono::milliseconds(1);

}  // namespace

FaultAhead::FaultAhead(const SmallObjectHeap* heap) {
    if (heap == nullptr || !kCanPopulate) return;
    try {
        thread_ = std::thread([this, heap] { Run(*heap); });
    } catch (const std::system_error&) {
        // No thread: the compile's thread takes its own faults, as it otherwise would.
    }
}

FaultAhead::~FaultAhead() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void FaultAhead::Run(const SmallObjectHeap& heap) {
    uintptr_t done = 0;  // memory up to here has been populated
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        const SmallObjectHeap::Stretch untouched = heap.Untouched();
        // From the huge page the heap is in, which its next pages may still need.
        const uintptr_t begin = std::max(done, untouched.begin & ~(kHugePage - 1));
        const uintptr_t end = std::min(untouched.begin + kAheadBytes, untouched.end);
        if (untouched.begin != 0 && begin < end) {
            lock.unlock();
            const bool populated = Populate(begin, end);
            lock.lock();
            if (!populated) return;
            done = end;
            continue;
        }
        wake_.wait_for(lock, kRound, [this] { return stop_; });
    }
}

}  // namespace kv::kvc
