// Tests of TypeConvert: integer and float readings that never throw.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "utilo/TypeConvert.h"

namespace {

class TypeConvertTest : public ::testing::Test {
protected:
    std::unique_ptr<TypeConvert> convert{newTypeConvert()};
};

TEST_F(TypeConvertTest, ToIntReadsTheLeadingNumber) {
    size_t end = 99;
    EXPECT_EQ(convert->ToInt("42", &end, 10), 42);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(convert->ToInt("-10", nullptr, 10), -10);
    EXPECT_EQ(convert->ToInt("  +7", nullptr, 10), 7);
    EXPECT_EQ(convert->ToInt("12kg", &end, 10), 12);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(convert->ToInt("2147483647", nullptr, 10), 2147483647);
    EXPECT_EQ(convert->ToInt("-2147483648", nullptr, 10), -2147483647 - 1);
}

TEST_F(TypeConvertTest, ToIntOfNonNumbersOrOverflowGivesZeroWithoutThrowing) {
    size_t end = 99;
    EXPECT_NO_THROW(EXPECT_EQ(convert->ToInt("abc", &end, 10), 0));
    EXPECT_EQ(end, 0u);
    for (const char* text : {"", "-", "kg5", "2147483648", "-2147483649",
                             "99999999999999999999999999"}) {
        EXPECT_NO_THROW(EXPECT_EQ(convert->ToInt(text, nullptr, 10), 0)) << text;
    }
}

TEST_F(TypeConvertTest, ToFloatReadsTheLeadingNumber) {
    size_t end = 99;
    EXPECT_FLOAT_EQ(convert->ToFloat("2.5", &end), 2.5f);
    EXPECT_EQ(end, 3u);
    EXPECT_FLOAT_EQ(convert->ToFloat("-0.25kg", &end), -0.25f);
    EXPECT_EQ(end, 5u);
    EXPECT_FLOAT_EQ(convert->ToFloat("10", nullptr), 10.0f);
    EXPECT_EQ(convert->ToFloat("abc", &end), 0.0f);
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(convert->ToFloat("", nullptr), 0.0f);
}

}  // namespace
