// GbkCodec: both directions through code page 936, failing where a text does not fit.
#include <gtest/gtest.h>

#include "utilo/GbkCodec.h"

namespace {

// 加热 and 乗, whose second GBK byte is a backslash, in both encodings.
constexpr std::string_view kUtf8 = "\xE5\x8A\xA0\xE7\x83\xAD x \xE4\xB9\x97";
constexpr std::string_view kGbk = "\xBC\xD3\xC8\xC8 x \x81\x5C";

TEST(GbkCodec, ConvertsBothWaysKeepingAsciiAndBackslashTrailBytes) {
    const kv::gbk::Converted toGbk = kv::gbk::FromUtf8(kUtf8);
    ASSERT_TRUE(toGbk.Ok());
    EXPECT_EQ(toGbk.text, kGbk);
    const kv::gbk::Converted back = kv::gbk::ToUtf8(kGbk);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back.text, kUtf8);
    EXPECT_EQ(kv::gbk::ToUtf8("plain \\ text").text, "plain \\ text");
    EXPECT_TRUE(kv::gbk::FromUtf8("").Ok());
}

TEST(GbkCodec, NamesTheFirstByteThatDoesNotConvert) {
    // A lead byte without its trail byte, a byte GBK never uses, and a cut-off lead at the end.
    EXPECT_EQ(kv::gbk::ToUtf8("\xBC\xD3\x81\x20").failedAt, 2u);
    EXPECT_EQ(kv::gbk::ToUtf8("ab\xFF").failedAt, 2u);
    EXPECT_EQ(kv::gbk::ToUtf8("\xBC\xD3\xC8").failedAt, 2u);
    // Malformed UTF-8, and a character outside GBK (U+1F600) after 加.
    EXPECT_EQ(kv::gbk::FromUtf8("a\xC3").failedAt, 1u);
    EXPECT_EQ(kv::gbk::FromUtf8("\xE5\x8A\xA0\xF0\x9F\x98\x80").failedAt, 3u);
}

}  // namespace
