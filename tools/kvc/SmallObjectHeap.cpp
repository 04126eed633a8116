// SmallObjectHeap: size classes cut from pages of one reserved stretch of address space.
#include "tools/kvc/SmallObjectHeap.h"

#include <algorithm>

#if defined(__unix__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <sys/single_threaded.h>
#endif

namespace kv::kvc {

namespace {

constexpr uintptr_t kHugePage = 2u << 20;

#if defined(__unix__) && defined(MADV_HUGEPAGE)
// Makes the 2 MiB at start one huge page, its small pages copied in; false where the system
// cannot (Linux before 6.1, other systems, or huge pages off).
bool CollapseIntoHugePage([[maybe_unused]] uintptr_t start) {
#if defined(__linux__)
#if defined(MADV_COLLAPSE)
    constexpr int kCollapse = MADV_COLLAPSE;
#else
    constexpr int kCollapse = 25;  // Linux's value, which older C library headers lack
#endif
    return madvise(reinterpret_cast<void*>(start), kHugePage, kCollapse) == 0;
#else
    return false;
#endif
}
#endif
// Below this a reservation is not worth its page table.
constexpr std::size_t kLeastRegion = 16u << 20;

}  // namespace

SmallObjectHeap::~SmallObjectHeap() {
#if defined(__unix__)
    if (mapping_ != nullptr) munmap(mapping_, mappingBytes_);
#endif
}

bool SmallObjectHeap::ReserveOnce() {
    if (state_ != State::Unreserved) return state_ == State::Ready;
    state_ = State::Refused;
#if defined(__unix__)
    // Address space only: pages are backed as they are first touched. A system that limits
    // address space gets asked for less, down to kLeastRegion.
    for (std::size_t bytes = wanted_; bytes >= kLeastRegion; bytes /= 2) {
        const std::size_t mappingBytes = bytes + kHugePage;  // room to align the start
        void* mapping = mmap(nullptr, mappingBytes, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapping == MAP_FAILED) continue;
        mapping_ = static_cast<char*>(mapping);
        mappingBytes_ = mappingBytes;
        // Aligned to 2 MiB so that huge pages, when advised, cover the region from its start.
        char* start = mapping_ +
                      ((kHugePage - reinterpret_cast<uintptr_t>(mapping_) % kHugePage) % kHugePage);
        // The page table fills whole 2 MiB units, which the advice for the pages leaves out: a
        // huge page would make the few entries in use cost 2 MiB.
        const std::size_t total = std::min<std::size_t>(bytes / kPageBytes, kNoPage);
        const std::size_t tableBytes =
            (total * sizeof(Page) + kHugePage - 1) / kHugePage * kHugePage;
        pages_ = reinterpret_cast<Page*>(start);
        pageCount_ = static_cast<uint32_t>(total - tableBytes / kPageBytes);
        firstPage_.store(reinterpret_cast<uintptr_t>(start + tableBytes),
                         std::memory_order_relaxed);
        pagesBytes_.store(std::size_t{pageCount_} * kPageBytes, std::memory_order_release);
        state_ = State::Ready;
        return true;
    }
#endif
    return false;
}

void SmallObjectHeap::List(uint32_t index) {
    Page& page = pages_[index];
    uint32_t& first = withRoom_[page.sizeClass];
    page.previous = kNoPage;
    page.next = first;
    if (first != kNoPage) pages_[first].previous = index;
    first = index;
    page.listed = true;
}

void SmallObjectHeap::Unlist(uint32_t index) {
    Page& page = pages_[index];
    if (page.previous != kNoPage) {
        pages_[page.previous].next = page.next;
    } else {
        withRoom_[page.sizeClass] = page.next;
    }
    if (page.next != kNoPage) pages_[page.next].previous = page.previous;
    page.listed = false;
}

uint32_t SmallObjectHeap::UnusedPage() {
    if (const uint32_t index = empty_; index != kNoPage) {
        empty_ = pages_[index].next;
        return index;
    }
    if (freeRuns_ != kNoPage) {
        // The last page of a freed run, which then ends a page earlier.
        Page& run = pages_[freeRuns_];
        const uint32_t index = freeRuns_ + run.unused - 1;
        if (--run.unused == 0) freeRuns_ = run.next;
        return index;
    }
    const uint32_t carved = carved_.load(std::memory_order_relaxed);
    if (!ReserveOnce() || carved == pageCount_) return kNoPage;
    carved_.store(carved + 1, std::memory_order_relaxed);
    return carved;
}

uint32_t SmallObjectHeap::PageWithRoom(std::size_t sizeClass) {
    if (const uint32_t listed = withRoom_[sizeClass]; listed != kNoPage) {
        Unlist(listed);
        return listed;
    }
    const uint32_t index = UnusedPage();
    if (index != kNoPage) {
        pages_[index] =
            Page{nullptr, 0, 0, kNoPage, kNoPage, static_cast<uint8_t>(sizeClass), false};
    }
    return index;
}

void SmallObjectHeap::Guard::Lock(SmallObjectHeap& heap) {
    // A process of one thread cannot race itself, and no thread is started while this one holds
    // the heap.
#if defined(__GLIBC__)
    if (__libc_single_threaded != 0) return;
#endif
    busy_ = &heap.busy_;
    while (busy_->test_and_set(std::memory_order_acquire)) {
        while (busy_->test(std::memory_order_relaxed)) {
        }
    }
}

void* SmallObjectHeap::Allocate(std::size_t size) {
    if (size <= kLargest) return AllocateSlot(ClassOf(size));
    if (!Serves(size)) return nullptr;
    return AllocatePages(size / kPageBytes + (size % kPageBytes != 0));
}

void* SmallObjectHeap::AllocateSlot(std::size_t sizeClass) {
    const Guard guard(*this);
    uint32_t index = current_[sizeClass];
    if (index == kNoPage || !HasRoom(pages_[index])) {
        if (void* slot = BorrowSlot(sizeClass)) return slot;
        index = PageWithRoom(sizeClass);
        current_[sizeClass] = index;
    }
    if (index == kNoPage) return nullptr;
    Page& page = pages_[index];
    ++page.live;
    if (FreeSlot* slot = page.free) {
        page.free = slot->next;
        return slot;
    }
    void* fresh = PageStart(index) + page.unused;
    page.unused += SlotBytes(sizeClass);
    return fresh;
}

void* SmallObjectHeap::BorrowSlot(std::size_t sizeClass) {
    // Slots that a phase gave back pinned by a few objects that outlive it, in pages that no
    // other class could take, would otherwise stay unused while the smaller classes take new
    // pages. At most twice the size asked for, so that a borrowed slot wastes no more than the
    // object holds.
    for (std::size_t larger = sizeClass + 1; larger < kClasses && larger <= 2 * sizeClass + 1;
         ++larger) {
        const uint32_t lender = withRoom_[larger];
        if (lender == kNoPage) continue;
        // A listed page other than its class's current one has room in given-back slots only.
        Page& page = pages_[lender];
        FreeSlot* slot = page.free;
        page.free = slot->next;
        ++page.live;
        if (page.free == nullptr) Unlist(lender);
        return slot;
    }
    return nullptr;
}

uint32_t SmallObjectHeap::TakeRun(std::size_t count) {
    // The first freed run long enough, its rest staying free; else pages never used.
    for (uint32_t* link = &freeRuns_; *link != kNoPage; link = &pages_[*link].next) {
        const uint32_t index = *link;
        Page& run = pages_[index];
        if (run.unused < count) continue;
        *link = run.next;
        if (run.unused > count) {
            const auto rest = static_cast<uint32_t>(index + count);
            pages_[rest] =
                Page{nullptr, 0,    static_cast<uint32_t>(run.unused - count), kNoPage, freeRuns_,
                     kRun,    false};
            freeRuns_ = rest;
        }
        return index;
    }
    const uint32_t index = carved_.load(std::memory_order_relaxed);
    if (!ReserveOnce() || count > pageCount_ - index) return kNoPage;
    carved_.store(index + static_cast<uint32_t>(count), std::memory_order_relaxed);
    return index;
}

void* SmallObjectHeap::AllocatePages(std::size_t count) {
    const Guard guard(*this);
    const uint32_t index = count == 1 ? UnusedPage() : TakeRun(count);
    if (index == kNoPage) return nullptr;
    pages_[index] = Page{nullptr, 1,       static_cast<uint32_t>(count),
                         kNoPage, kNoPage, static_cast<uint8_t>(count == 1 ? kWholePage : kRun),
                         false};
    return PageStart(index);
}

void SmallObjectHeap::Free(void* pointer) {
    const auto index = static_cast<uint32_t>(
        (reinterpret_cast<uintptr_t>(pointer) - firstPage_.load(std::memory_order_relaxed)) /
        kPageBytes);
    const Guard guard(*this);
    Page& page = pages_[index];
    if (page.sizeClass == kWholePage) {
        page.next = empty_;
        empty_ = index;
        return;
    }
    if (page.sizeClass == kRun) {
        // Kept, not given back: the next large block or the next pages of small objects reuse
        // the memory, which costs less than the system clearing fresh pages for them.
        page.next = freeRuns_;
        freeRuns_ = index;
        return;
    }
    auto* slot = static_cast<FreeSlot*>(pointer);
    slot->next = page.free;
    page.free = slot;
    --page.live;
    // The page slots are taken from stays with its class; another goes on the list of its
    // class's pages with room or, with nothing left in it, to any class that needs a page.
    if (index != current_[page.sizeClass]) {
        if (page.live == 0) {
            if (page.listed) Unlist(index);
            page.next = empty_;
            empty_ = index;
        } else if (!page.listed) {
            List(index);
        }
    }
}

void SmallObjectHeap::AdviseHugePages() {
#if defined(__unix__) && defined(MADV_HUGEPAGE)
    const Guard guard(*this);
    if (!ReserveOnce()) return;
    const uintptr_t first = firstPage_.load(std::memory_order_relaxed);
    // Advice only: refused, the pages stay small and nothing else changes.
    const bool advised = madvise(reinterpret_cast<void*>(first),
                                 pagesBytes_.load(std::memory_order_relaxed), MADV_HUGEPAGE) == 0;
    hugePages_.store(advised, std::memory_order_relaxed);
    // The system backs a 2 MiB stretch of which a page was touched before the advice with
    // small pages to its end, each faulted in on its own. Where it can, the stretch the heap is
    // in becomes one huge page now; elsewhere new pages start at the next huge page, and the
    // few before it are never used, which costs address space only.
    const uint32_t carved = carved_.load(std::memory_order_relaxed);
    if (!advised || carved % kPagesPerHugePage == 0) return;
    const uint32_t stretch = carved / kPagesPerHugePage * kPagesPerHugePage;
    if (CollapseIntoHugePage(first + std::size_t{stretch} * kPageBytes)) return;
    if (stretch + kPagesPerHugePage <= pageCount_) {
        carved_.store(stretch + kPagesPerHugePage, std::memory_order_relaxed);
    }
#endif
}

}  // namespace kv::kvc
