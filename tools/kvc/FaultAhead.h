// FaultAhead: has the system put memory under the heap's next pages on a thread of its own,
// while the compile's thread goes on with the analysis.
//
// The first touch of memory costs the thread that touches it a fault and the clearing of the
// page; on a virtual machine whose host gives the guest memory only as it is first used, about
// 1.7 ms a megabyte, against 0.1 on memory the guest has had before. During the analysis the
// second core has nothing else to do, so it takes those faults a few megabytes ahead of the
// heap; the compile's thread then finds the memory there. The pages are populated, never
// written: what the heap hands out is unchanged.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/kvc/SmallObjectHeap.h"

namespace kv::kvc {

class FaultAhead {
public:
    // How far ahead of the heap's last page memory is put in: one huge page, all that the
    // peak memory grows by.
    static constexpr std::size_t kAheadBytes = 2u << 20;
    // The lines from which the analysis of a heap in small pages gains by it: 10,000 lines
    // gain a twenty-fifth of their analysis, 1,000 lines nothing a thread's start repays.
    static constexpr std::size_t kLinesWorthIt = 4096;

    // Starts faulting in ahead of heap, which must outlive this; null, or a system that cannot
    // populate memory ahead, does nothing.
    explicit FaultAhead(const SmallObjectHeap* heap);
    FaultAhead(const FaultAhead&) = delete;
    FaultAhead& operator=(const FaultAhead&) = delete;
    // Stops the thread; takes up to one round of waiting.
    ~FaultAhead();

private:
    void Run(const SmallObjectHeap& heap);

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace kv::kvc
