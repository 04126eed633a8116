// When kvc sets aside a heap in huge pages, and how much.
#include <gtest/gtest.h>

#include <cstdint>

#include "tools/kvc/LargePages.h"

namespace {

TEST(KvcLargePages, OnlyWhereHugePagesComeOnRequest) {
    EXPECT_TRUE(kv::kvc::HugePagesOnRequest("always [madvise] never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("[always] madvise never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("always madvise [never]\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest(""));
}

TEST(KvcLargePages, AChoiceMadeThroughGlibcsTunableStands) {
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize(nullptr));
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize(""));
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize("glibc.malloc.arena_max=2"));
    // A longer name that merely starts like it is another tunable.
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize("glibc.malloc.hugetlbx=1"));
    EXPECT_TRUE(kv::kvc::TunablesChoosePageSize("glibc.malloc.hugetlb=0"));
    EXPECT_TRUE(kv::kvc::TunablesChoosePageSize("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"));
}

TEST(KvcLargePages, TheReserveGrowsWithTheRecipeWithinBounds) {
    constexpr std::size_t kMiB = 1 << 20;
    constexpr std::uintmax_t kMachine = 24ull << 30;
    EXPECT_EQ(kv::kvc::HeapReserveFor(0, kMachine), 0u);
    EXPECT_EQ(kv::kvc::HeapReserveFor(64 * 1024 - 1, kMachine), 0u);
    EXPECT_EQ(kv::kvc::HeapReserveFor(64 * 1024, kMachine), 64 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(8 * kMiB, kMachine), 384 * kMiB);
    // Past malloc's int threshold, in parts; a quarter of the machine's memory at most.
    EXPECT_EQ(kv::kvc::HeapReserveFor(100 * kMiB, kMachine), 4800 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(UINTMAX_MAX, kMachine), kMachine / 4);
    EXPECT_EQ(kv::kvc::HeapReserveFor(100 * kMiB, 1024 * kMiB), 256 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(UINTMAX_MAX, UINTMAX_MAX),
              kv::kvc::kMaxHeapParts * kv::kvc::kHeapPart);
    // A machine whose quarter is below the least reserve gets none.
    EXPECT_EQ(kv::kvc::HeapReserveFor(100 * kMiB, 200 * kMiB), 0u);
}

}  // namespace
