// Tests of CommonMethod: splitting, normalising, replacing, formatting and number predicates.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "utilo/CommonMethod.h"

namespace {

using Pieces = std::vector<std::string>;

class CommonMethodTest : public ::testing::Test {
protected:
    std::unique_ptr<CommonMethod> method{newCommonMethod()};
};

TEST_F(CommonMethodTest, SplitGivesThePiecesBetweenEverySeparator) {
    EXPECT_EQ(method->Split("a.b.c", ".", -1), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(method->Split(".a..b.", ".", -1), (Pieces{"", "a", "", "b", ""}));
    EXPECT_EQ(method->Split("abc", ".", -1), (Pieces{"abc"}));
    EXPECT_EQ(method->Split("", ".", -1), (Pieces{""}));
    EXPECT_EQ(method->Split("a::b::c", "::", -1), (Pieces{"a", "b", "c"}));
}

TEST_F(CommonMethodTest, SplitWithALimitLeavesTheRestInTheLastPiece) {
    EXPECT_EQ(method->Split("a.b.c.d", ".", 2), (Pieces{"a", "b.c.d"}));
    EXPECT_EQ(method->Split("a.b.c.d", ".", 1), (Pieces{"a.b.c.d"}));
    EXPECT_EQ(method->Split("a.b", ".", 5), (Pieces{"a", "b"}));
}

TEST_F(CommonMethodTest, NormalizeTextTrimsAndLowerCasesAsciiOnly) {
    std::string text = " \tStRing\r\n";
    method->NormalizeText(text);
    EXPECT_EQ(text, "string");
    std::string chinese = " 字符ABC ";
    method->NormalizeText(chinese);
    EXPECT_EQ(chinese, "字符abc");
    std::string blank = "   ";
    method->NormalizeText(blank);
    EXPECT_EQ(blank, "");
}

TEST_F(CommonMethodTest, ReplaceReplacesEveryOccurrenceWithoutRescanning) {
    EXPECT_EQ(method->Replace("a+b+c", "+", " + "), "a + b + c");
    EXPECT_EQ(method->Replace("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(method->Replace("abab", "ab", ""), "");
    EXPECT_EQ(method->Replace("abc", "", "x"), "abc");
    EXPECT_EQ(method->Replace("abc", "z", "x"), "abc");
}

TEST_F(CommonMethodTest, FormatFollowsPrintf) {
    EXPECT_EQ(method->Format("%02X", 10), "0A");
    EXPECT_EQ(method->Format("%02X", 255), "FF");
    EXPECT_EQ(method->Format("\"%s\"", "2.0"), "\"2.0\"");
    EXPECT_EQ(method->Format("%f", 5000.0), "5000.000000");
    const std::string longText(5000, 'x');
    EXPECT_EQ(method->Format("%s!", longText.c_str()), longText + "!");
}

TEST_F(CommonMethodTest, CodesRoundTripArbitraryBytes) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    bytes += "加热";
    std::vector<int> codes = {99, 98};  // replaced, not appended to
    method->StringToCodes(bytes, codes);
    EXPECT_EQ(codes.size(), bytes.size());
    EXPECT_EQ(method->CodesToString(codes), bytes);
    method->StringToCodes("", codes);
    EXPECT_TRUE(codes.empty());
}

TEST_F(CommonMethodTest, AppendBytesAppendsExactlyTheGivenLength) {
    std::vector<uint8_t> out = {1};
    const uint8_t data[] = {2, 3, 4};
    method->AppendBytes(data, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    method->AppendBytes(nullptr, 0, out);
    EXPECT_EQ(out.size(), 3u);
}

TEST_F(CommonMethodTest, IsDigitsAcceptsOnlyAsciiDigits) {
    EXPECT_TRUE(method->IsDigits("0123"));
    for (const char* text : {"", "-10", "+1", "1.0", "12a", " 1", "１"}) {
        EXPECT_FALSE(method->IsDigits(text)) << text;
    }
}

TEST_F(CommonMethodTest, IsNumberAcceptsSignedIntegers) {
    for (const char* text : {"0", "-10", "+7", "123456789012345678901234567890"}) {
        EXPECT_TRUE(method->IsNumber(text)) << text;
    }
    for (const char* text : {"", "-", "+", "1.5", "5kg", " 5", "5 ", "0x10", "1e3"}) {
        EXPECT_FALSE(method->IsNumber(text)) << text;
    }
}

TEST_F(CommonMethodTest, IsFloatNeedsDigitsOnBothSidesOfThePoint) {
    for (const char* text : {"2.5", "-0.5", "+10.25"}) {
        EXPECT_TRUE(method->IsFloat(text)) << text;
    }
    for (const char* text : {"", "5", "-10", ".5", "5.", "1.2.3", "1e3", "inf", "nan", "2.5kg"}) {
        EXPECT_FALSE(method->IsFloat(text)) << text;
    }
}

TEST_F(CommonMethodTest, GetStringSizeIsNeverBelowThePackedLength) {
    // Packed length: the MessagePack string header (1, 2, 3 or 5 bytes) plus the bytes.
    const auto packedLength = [](size_t n) -> size_t {
        const size_t header = n < 32 ? 1 : n < 256 ? 2 : n < 65536 ? 3 : 5;
        return header + n;
    };
    for (size_t n : {size_t{0}, size_t{31}, size_t{32}, size_t{255}, size_t{256},
                     size_t{65535}, size_t{65536}, size_t{100000}}) {
        const std::string text(n, 'x');
        EXPECT_GE(static_cast<size_t>(method->GetStringSize(text)), packedLength(n)) << n;
    }
}

}  // namespace
