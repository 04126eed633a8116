// The decisions behind kvc's restart with huge pages for its heap.
#include <gtest/gtest.h>

#include "tools/kvc/LargePages.h"

namespace {

using kv::kvc::TunablesWithLargePages;

TEST(KvcLargePages, AddsTheTunableAndKeepsTheUsersOthers) {
    EXPECT_EQ(TunablesWithLargePages(nullptr), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(TunablesWithLargePages(""), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(TunablesWithLargePages("glibc.malloc.arena_max=2"),
              "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
    // A longer name that merely starts like it is another tunable.
    EXPECT_EQ(TunablesWithLargePages("glibc.malloc.hugetlbx=3"),
              "glibc.malloc.hugetlbx=3:glibc.malloc.hugetlb=1");
}

TEST(KvcLargePages, LeavesAChoiceAlreadyMadeAlone) {
    // Set by the user, to either value, or by the restart itself: no second restart.
    EXPECT_EQ(TunablesWithLargePages("glibc.malloc.hugetlb=0"), std::nullopt);
    EXPECT_EQ(TunablesWithLargePages("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"),
              std::nullopt);
    EXPECT_EQ(TunablesWithLargePages("glibc.malloc.hugetlb"), std::nullopt);
}

TEST(KvcLargePages, RestartsOnlyWhereHugePagesComeOnRequest) {
    EXPECT_TRUE(kv::kvc::HugePagesOnRequest("always [madvise] never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("[always] madvise never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("always madvise [never]\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest(""));
}

TEST(KvcLargePages, RestartsOnlyForRecipesOfSomeSize) {
    EXPECT_FALSE(kv::kvc::WorthLargePages(0));
    EXPECT_FALSE(kv::kvc::WorthLargePages(256 * 1024 - 1));
    EXPECT_TRUE(kv::kvc::WorthLargePages(256 * 1024));
}

}  // namespace
