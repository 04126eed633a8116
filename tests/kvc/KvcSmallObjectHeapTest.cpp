// kvc's heap of small objects: classes kept apart, slots and pages reused, runs of pages for
// large blocks, the region's end, threads; and the thread that faults in its next pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/kvc/FaultAhead.h"
#include "tools/kvc/SmallObjectHeap.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

using kv::kvc::SmallObjectHeap;

constexpr std::size_t kRegion = 16u << 20;  // the least the heap reserves

// A heap, or a skip where the platform gives it no region (Windows: kvc uses malloc there).
std::unique_ptr<SmallObjectHeap> HeapOrSkip(std::size_t regionBytes = kRegion) {
    auto heap = std::make_unique<SmallObjectHeap>(regionBytes);
    void* probe = heap->Allocate(1);
    if (probe == nullptr) return nullptr;
    heap->Free(probe);
    return heap;
}

TEST(KvcSmallObjectHeap, EverySizeGetsItsOwnBytesAlignedForWhatFitsIn) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    struct Object {
        unsigned char* bytes;
        std::size_t size;
    };
    std::vector<Object> objects;
    for (int round = 0; round < 50; ++round) {
        for (std::size_t size = 0; size <= SmallObjectHeap::kLargest; ++size) {
            auto* bytes = static_cast<unsigned char*>(heap->Allocate(size));
            ASSERT_NE(bytes, nullptr) << size;
            ASSERT_TRUE(heap->Owns(bytes));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % (size > 0 && size % 16 == 0 ? 16 : 8),
                      0u)
                << size;
            std::memset(bytes, static_cast<int>(objects.size() & 0xff), size);
            objects.push_back({bytes, size});
        }
    }
    // No object overlaps another: each still holds its own pattern.
    for (std::size_t i = 0; i < objects.size(); ++i) {
        for (std::size_t at = 0; at < objects[i].size; ++at) {
            ASSERT_EQ(objects[i].bytes[at], i & 0xff) << "object " << i;
        }
    }
    int onTheStack = 0;
    const std::unique_ptr<int> fromMalloc(new int(0));
    EXPECT_FALSE(heap->Owns(&onTheStack));
    EXPECT_FALSE(heap->Owns(fromMalloc.get()));
    EXPECT_FALSE(heap->Owns(nullptr));
}

TEST(KvcSmallObjectHeap, AFreedSlotServesTheNextRequestOfItsClassOnly) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    void* twelve = heap->Allocate(12);
    heap->Free(twelve);
    void* eight = heap->Allocate(8);
    EXPECT_NE(eight, twelve);
    EXPECT_EQ(heap->Allocate(16), twelve);  // 9 to 16 bytes share a class
}

TEST(KvcSmallObjectHeap, APageWhoseObjectsAreAllBackServesAnyClass) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    constexpr std::size_t kSlots = SmallObjectHeap::kPageBytes / 40;
    std::vector<void*> objects;
    for (std::size_t i = 0; i <= kSlots; ++i) objects.push_back(heap->Allocate(40));
    for (void* object : objects) heap->Free(object);
    // The first page is full and then empty; the second, still being filled, stays its class's.
    void* page = heap->Allocate(SmallObjectHeap::kPageBytes);
    EXPECT_EQ(page, objects.front());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(page) % SmallObjectHeap::kPageBytes, 0u);
    heap->Free(page);
    EXPECT_EQ(heap->Allocate(100), page);
}

TEST(KvcSmallObjectHeap, ASmallerClassBorrowsGivenBackSlotsBeforeTakingAPage) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    constexpr std::size_t kSixteens = SmallObjectHeap::kPageBytes / 16;
    std::vector<void*> sixteens;
    for (std::size_t i = 0; i <= kSixteens; ++i) sixteens.push_back(heap->Allocate(16));
    // The first page of 16-byte slots keeps one object and has room in the others.
    for (std::size_t i = 1; i < kSixteens; ++i) heap->Free(sixteens[i]);
    const auto* firstPage = static_cast<const char*>(sixteens.front());
    const auto onFirstPage = [firstPage](const void* object) {
        const auto* at = static_cast<const char*>(object);
        return at >= firstPage && at < firstPage + SmallObjectHeap::kPageBytes;
    };
    // A class of twice the size or more lends nothing.
    EXPECT_FALSE(onFirstPage(heap->Allocate(40)));
    // The 8-byte class fills its own page first (the probe's), then borrows.
    for (std::size_t i = 0; i < SmallObjectHeap::kPageBytes / 8; ++i) {
        ASSERT_FALSE(onFirstPage(heap->Allocate(8))) << i;
    }
    void* borrowed = heap->Allocate(8);
    EXPECT_TRUE(onFirstPage(borrowed));
    // Given back, it goes back to the page it came from, first in line there.
    heap->Free(borrowed);
    EXPECT_EQ(heap->Allocate(8), borrowed);
}

TEST(KvcSmallObjectHeap, LargeBlocksGetRunsOfPagesAndMidSizesAreLeftToTheCaller) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    EXPECT_EQ(heap->Allocate(SmallObjectHeap::kLargest + 1), nullptr);
    EXPECT_EQ(heap->Allocate(SmallObjectHeap::kRunBytes - 1), nullptr);
    constexpr std::size_t kMiB = 1 << 20;
    auto* run = static_cast<char*>(heap->Allocate(kMiB));
    ASSERT_NE(run, nullptr);
    std::memset(run, 0x5a, kMiB);
    heap->Free(run);
    // A freed run serves the next large requests that fit, first come first served.
    EXPECT_EQ(heap->Allocate(kMiB / 2), run);
    EXPECT_EQ(heap->Allocate(kMiB / 2 - 100), run + kMiB / 2);
    auto* fresh = static_cast<char*>(heap->Allocate(kMiB / 2));
    EXPECT_TRUE(fresh >= run + kMiB || fresh + kMiB / 2 <= run);
    // A freed run's pages serve small objects too, from its end, before any new page.
    heap->Free(fresh);
    EXPECT_EQ(heap->Allocate(100), fresh + kMiB / 2 - SmallObjectHeap::kPageBytes);
    // Half a page or a little more gets a page of its own.
    for (const std::size_t size : {SmallObjectHeap::kRunBytes, SmallObjectHeap::kPageBytes - 1}) {
        const auto page = reinterpret_cast<uintptr_t>(heap->Allocate(size));
        EXPECT_NE(page, 0u);
        EXPECT_EQ(page % SmallObjectHeap::kPageBytes, 0u);
    }
}

#if defined(__linux__)
// Whether the system gives huge pages, always or on request.
bool HugePagesGiven() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string enabled((std::istreambuf_iterator<char>(setting)),
                              std::istreambuf_iterator<char>());
    return enabled.find("[madvise]") != std::string::npos ||
           enabled.find("[always]") != std::string::npos;
}

// The kilobytes of huge pages in the mapping that holds address, as /proc/self/smaps tells.
std::size_t HugeKilobytesAround(uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long low = 0;
        unsigned long high = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &low, &high) == 2) {
            inside = low <= address && address < high;
        } else if (std::size_t kilobytes = 0;
                   inside && std::sscanf(line.c_str(), "AnonHugePages: %zu kB", &kilobytes) == 1) {
            return kilobytes;
        }
    }
    return 0;
}

TEST(KvcSmallObjectHeap, AfterTheHugePageAdviceNewPagesLieInHugePages) {
    // The probe has touched the region's first page: left at that, the 2 MiB around it would
    // be backed by small pages to its end.
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    heap->AdviseHugePages();
    if (!heap->HugePagesAdvised() || !HugePagesGiven()) GTEST_SKIP() << "no huge pages here";
    auto* page = static_cast<char*>(heap->Allocate(SmallObjectHeap::kPageBytes));
    ASSERT_NE(page, nullptr);
    page[0] = 1;
    EXPECT_GE(HugeKilobytesAround(reinterpret_cast<uintptr_t>(page)), 2048u);
}
#endif

TEST(KvcSmallObjectHeap, AFullRegionRefusesUntilSomethingIsFreed) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    std::vector<void*> taken;
    while (void* object = heap->Allocate(SmallObjectHeap::kLargest)) taken.push_back(object);
    // The region less its page table (2 MiB, apart from the pages), in whole pages of 128-byte
    // slots; the probe's page of another class is one page less.
    constexpr std::size_t kPages = kRegion / SmallObjectHeap::kPageBytes;
    constexpr std::size_t kTablePages = (2 << 20) / SmallObjectHeap::kPageBytes;
    EXPECT_EQ(taken.size(), (kPages - kTablePages - 1) * (SmallObjectHeap::kPageBytes / 128));
    EXPECT_EQ(heap->Allocate(100), nullptr);
    EXPECT_NE(heap->Allocate(1), nullptr);  // the probe's class still has room in its page
    heap->Free(taken[42]);
    EXPECT_EQ(heap->Allocate(121), taken[42]);
}

TEST(KvcSmallObjectHeap, NoRegionMeansEveryRequestIsTheCallers) {
    SmallObjectHeap none(0);
    EXPECT_EQ(none.Allocate(8), nullptr);
    int object = 0;
    EXPECT_FALSE(none.Owns(&object));
}

TEST(KvcSmallObjectHeap, ThreadsTakeAndGiveBackWithoutSharingAnObject) {
    const auto heap = HeapOrSkip();
    if (!heap) GTEST_SKIP() << "no region on this platform";
    const auto work = [&heap](unsigned char mark, bool& sound) {
        std::vector<unsigned char*> live;
        for (int i = 0; i < 20000; ++i) {
            const std::size_t size = 1 + static_cast<std::size_t>(i % 64);
            auto* bytes = static_cast<unsigned char*>(heap->Allocate(size));
            if (bytes == nullptr) return;
            std::memset(bytes, mark, size);
            live.push_back(bytes);
            if (i % 3 == 2) {
                // Each object this thread holds still carries only its mark.
                for (unsigned char* held : live) sound = sound && *held == mark;
                for (unsigned char* held : live) heap->Free(held);
                live.clear();
            }
        }
        for (unsigned char* held : live) heap->Free(held);
    };
    bool firstSound = true;
    bool secondSound = true;
    std::thread first(work, 0x11, std::ref(firstSound));
    std::thread second(work, 0x22, std::ref(secondSound));
    first.join();
    second.join();
    EXPECT_TRUE(firstSound);
    EXPECT_TRUE(secondSound);
}

}  // namespace

#if defined(__linux__)
// Whether every page of [begin, end) is in memory.
bool Resident(uintptr_t begin, uintptr_t end) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((end - begin + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(begin), end - begin, pages.data()) != 0) return false;
    for (const unsigned char in : pages) {
        if ((in & 1) == 0) return false;
    }
    return true;
}

// Waits up to five seconds for [begin, end) to be in memory.
bool BecomesResident(uintptr_t begin, uintptr_t end) {
    for (int wait = 0; wait < 500; ++wait) {
        if (Resident(begin, end)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(KvcFaultAhead, PutsMemoryUnderTheHeapsNextPagesAsTheyMoveOnAndWritesNothing) {
    const auto heap = HeapOrSkip(64u << 20);
    if (!heap) GTEST_SKIP() << "no region on this platform";
    constexpr uintptr_t kAhead = kv::kvc::FaultAhead::kAheadBytes;
    const SmallObjectHeap::Stretch first = heap->Untouched();
    ASSERT_FALSE(Resident(first.begin, first.begin + kAhead)) << "nothing touched it yet";
    {
        const kv::kvc::FaultAhead ahead(heap.get());
        EXPECT_TRUE(BecomesResident(first.begin, first.begin + kAhead));
        // The heap moves on by more than the stretch ahead: the thread follows it.
        for (uintptr_t taken = 0; taken <= kAhead; taken += SmallObjectHeap::kPageBytes) {
            ASSERT_NE(heap->Allocate(SmallObjectHeap::kPageBytes), nullptr);
        }
        const SmallObjectHeap::Stretch later = heap->Untouched();
        ASSERT_GT(later.begin, first.begin + kAhead);
        EXPECT_TRUE(BecomesResident(later.begin, later.begin + kAhead));
        const auto* bytes = reinterpret_cast<const unsigned char*>(later.begin);
        EXPECT_TRUE(std::all_of(bytes, bytes + kAhead, [](unsigned char b) { return b == 0; }));
    }
    // Stopped: the heap moving on is left alone.
    for (uintptr_t taken = 0; taken <= 2 * kAhead; taken += SmallObjectHeap::kPageBytes) {
        ASSERT_NE(heap->Allocate(SmallObjectHeap::kPageBytes), nullptr);
    }
    const SmallObjectHeap::Stretch after = heap->Untouched();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(Resident(after.begin + kAhead, after.begin + 2 * kAhead));
}
#endif
