// When kvc sets aside a heap in huge pages, and how much.
#include <gtest/gtest.h>

#include "tools/kvc/LargePages.h"

namespace {

TEST(KvcLargePages, OnlyWhereHugePagesComeOnRequest) {
    EXPECT_TRUE(kv::kvc::HugePagesOnRequest("always [madvise] never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("[always] madvise never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("always madvise [never]\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest(""));
}

TEST(KvcLargePages, TheReserveGrowsWithTheRecipeWithinBounds) {
    constexpr std::size_t kMiB = 1 << 20;
    EXPECT_EQ(kv::kvc::HeapReserveFor(0), 0u);
    EXPECT_EQ(kv::kvc::HeapReserveFor(256 * 1024 - 1), 0u);
    EXPECT_EQ(kv::kvc::HeapReserveFor(256 * 1024), 64 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(8 * kMiB), 384 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(100 * kMiB), 1024 * kMiB);
    EXPECT_EQ(kv::kvc::HeapReserveFor(UINTMAX_MAX), 1024 * kMiB);
}

}  // namespace
