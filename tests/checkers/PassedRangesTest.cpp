// The memory of passed range checks: exact pairs, through growth, and ranges named by content.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "checkers/PassedRanges.h"

namespace {

TEST(PassedRangesTest, KeepsExactlyThePairsGivenThroughGrowth) {
    PassedRanges passed;
    const std::uint32_t percent = passed.RangeOf("number", "0", "100");
    const std::uint32_t grams = passed.RangeOf("重量", "0", "100");
    EXPECT_NE(percent, grams);
    EXPECT_EQ(passed.RangeOf("number", "0", "100"), percent);
    // The parts are kept apart: "0" and "100" are not "01" and "00".
    EXPECT_NE(passed.RangeOf("number", "01", "00"), percent);

    // Aligned neighbours, as table entries are, many more than the first array holds.
    std::array<std::uint64_t, 1000> entries{};
    for (std::uint64_t& entry : entries) passed.Insert(&entry, percent);
    passed.Insert(&entries[0], percent);
    for (const std::uint64_t& entry : entries) {
        EXPECT_TRUE(passed.Contains(&entry, percent));
        EXPECT_FALSE(passed.Contains(&entry, grams));
    }
    const std::uint64_t other = 0;
    EXPECT_FALSE(passed.Contains(&other, percent));
}

}  // namespace
