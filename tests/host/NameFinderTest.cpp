// Tests of the nearest-name finder behind "did you mean" notes.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "host/NameFinder.h"

namespace {

using kv::host::NameFinder;
using Names = std::vector<std::string_view>;

TEST(NameFinder, OffersANameAFewChangesAwayAndNothingFartherOff) {
    NameFinder finder({"heat", "stir", "add", "starttimer", "temperature"});
    // Swapped neighbours are one change.
    EXPECT_EQ(finder.Nearest("stri"), (Names{"stir"}));
    EXPECT_EQ(finder.Nearest("ad"), (Names{"add"}));
    // A third of ten letters may change: a swap and a missing letter still read as the word.
    EXPECT_EQ(finder.Nearest("tmeperatre"), (Names{"temperature"}));
    EXPECT_EQ(finder.Nearest("tmpratre"), Names{});
    EXPECT_EQ(finder.Nearest("zzzz"), Names{});
    EXPECT_EQ(finder.Nearest(""), Names{});
}

TEST(NameFinder, IgnoresLetterCaseButNeverOffersTheNameItself) {
    NameFinder finder({"heat", "Heat"});
    EXPECT_EQ(finder.Nearest("HEAT"), (Names{"heat", "Heat"}));
    EXPECT_EQ(finder.Nearest("heat"), (Names{"Heat"}));
}

TEST(NameFinder, ChineseNamesAreNearByCharactersAndBySharingHalfOfThem) {
    NameFinder finder({"锅盖", "炒锅", "鸡块", "鸡翅", "老抽", "红烧肉块"});
    // One character off, counted as a character and not as its three bytes.
    EXPECT_EQ(finder.Nearest("鸡肉"), (Names{"鸡块", "鸡翅"}));
    EXPECT_EQ(finder.Nearest("锅"), (Names{"锅盖", "炒锅"}));
    // 鸡块 is one change away, but 红烧肉块 holds both characters written.
    EXPECT_EQ(finder.Nearest("肉块"), (Names{"红烧肉块"}));
    EXPECT_EQ(finder.Nearest("生抽酱油"), Names{});
}

TEST(NameFinder, OffersOnlyTheBestThreeAtMostInListOrder) {
    NameFinder finder({"abce", "abcd", "abxd", "abcf", "abcg"});
    // Four names are one change from abcx, abxd two: the first three of the four are offered.
    EXPECT_EQ(finder.Nearest("abcx"), (Names{"abce", "abcd", "abcf"}));

    // One change from each; the one that shares both characters wins.
    NameFinder sharing({"鸡汤", "鸡块汤"});
    EXPECT_EQ(sharing.Nearest("鸡块"), (Names{"鸡块汤"}));
    // Both share both characters and are one change away: a tie, in list order.
    NameFinder tie({"鸡块汤", "鸡块"});
    EXPECT_EQ(tie.Nearest("鸡块肉"), (Names{"鸡块汤", "鸡块"}));
}

TEST(NameFinder, EditDistanceCountsSwapsOnceOverBytesAndCharacters) {
    EXPECT_EQ(kv::host::EditDistance(std::string_view("ab"), std::string_view("ba")), 1u);
    EXPECT_EQ(kv::host::EditDistance(std::string_view("kitten"), std::string_view("sitting")), 3u);
    EXPECT_EQ(kv::host::EditDistance(kv::host::FoldedCharacters("锅盖"),
                                     kv::host::FoldedCharacters("锅")),
              1u);
    // A byte that is no character stands for itself.
    EXPECT_EQ(kv::host::FoldedCharacters("A\xff"), (std::u32string{U'a', U'\xff'}));
}

}  // namespace
