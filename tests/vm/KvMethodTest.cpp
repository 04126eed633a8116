// Tests of the key hash, the fixed-width byte forms, the listing line and the message catalog.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "support/HostEncoding.h"
#include "vm/ByteAssert.h"
#include "vm/KvMethod.h"
#include "vm/VmMessages.h"

using kv::test::Bytes;
using kv::test::SameBytes;

TEST(KvMethodHash, MultipliesBy31OverUnsignedBytesAndWraps) {
    EXPECT_EQ(KvMethod::hashCode(""), 0);
    EXPECT_EQ(KvMethod::hashCode("a"), 97);
    EXPECT_EQ(KvMethod::hashCode("abc"), 96354);
    EXPECT_EQ(KvMethod::hashCode("abcdefgh"), 1259673732);
    EXPECT_EQ(KvMethod::hashCode("taskInfo"), -410467373);
    // "中" is E4 B8 AD; the bytes count as 228, 184, 173, not as negative chars.
    EXPECT_EQ(KvMethod::hashCode("\xE4\xB8\xAD"), 224985);
}

TEST(KvMethodHash, PointerFormHashesExactlyLengthBytes) {
    EXPECT_EQ(KvMethod::hashCode("abc", 3), 96354);
    EXPECT_EQ(KvMethod::hashCode("abc", 2), 3105);  // "ab" = 97 * 31 + 98
    EXPECT_EQ(KvMethod::hashCode("abc", 0), 0);
    EXPECT_EQ(KvMethod::hashCode("abc", -4), 0);
    EXPECT_EQ(KvMethod::hashCode(nullptr, 3), 0);
    // An embedded NUL is a byte like any other: "a\0" = 97 * 31.
    EXPECT_EQ(KvMethod::hashCode(std::string_view("a\0", 2)), 3007);
}

TEST(KvMethodBytes, LittleAndBigEndianOfAFullWord) {
    EXPECT_TRUE(SameBytes({0x78, 0x56, 0x34, 0x12}, KvMethod::UInteToByte(0x12345678, 32)));
    EXPECT_TRUE(SameBytes({0x12, 0x34, 0x56, 0x78}, KvMethod::GetBigDataBytes3(0x12345678, 32)));
    EXPECT_TRUE(SameBytes({0xFF, 0xFF, 0xFF, 0xFF}, KvMethod::GetBigDataBytes3(0xFFFFFFFF, 32)));
}

TEST(KvMethodBytes, WidthMasksHighBitsAndRoundsUpToWholeBytes) {
    // 70000 = 0x11170; 16 bits keep 0x1170.
    EXPECT_TRUE(SameBytes({0x11, 0x70}, KvMethod::GetBigDataBytes3(70000, 16)));
    EXPECT_TRUE(SameBytes({0xFF, 0x01}, KvMethod::UInteToByte(0x1FF, 12)));
    EXPECT_TRUE(SameBytes({0x01, 0xFF}, KvMethod::GetBigDataBytes3(0x1FF, 12)));
    EXPECT_TRUE(SameBytes({0x05}, KvMethod::UInteToByte(0x15, 3)));
    EXPECT_TRUE(SameBytes({0x34, 0x12, 0x00}, KvMethod::UInteToByte(0x1234, 24)));
}

TEST(KvMethodBytes, ZeroWidthIsEmptyAndOver32Throws) {
    EXPECT_TRUE(KvMethod::UInteToByte(5, 0).empty());
    EXPECT_TRUE(KvMethod::GetBigDataBytes3(5, 0).empty());
    try {
        KvMethod::UInteToByte(5, 33);
        FAIL() << "33 bits accepted";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "UInteToByte");
    }
    EXPECT_THROW(KvMethod::GetBigDataBytes3(5, 255), std::out_of_range);
}

TEST(KvMethodListing, NameValueCommaAndUpperCaseHexBytes) {
    KvMethod method;
    EXPECT_EQ(kv::test::Utf8(method.MakeAppDebugMessage(kv::test::Host("应用变量表偏移量"), "0",
                                                        {0x00, 0x00, 0x00, 0x00})),
              "应用变量表偏移量 0，大端模式大端编码0x00 00 00 00");
    EXPECT_EQ(kv::test::Utf8(method.MakeAppDebugMessage("n", "44", {0x00, 0xAB, 0x2C})),
              "n 44，大端模式大端编码0x00 AB 2C");
    EXPECT_EQ(kv::test::Utf8(method.MakeAppDebugMessage("n", "7", {})), "n 7，大端模式大端编码");
}
