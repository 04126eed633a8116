// Tests of the number reader and writers every subsystem shares.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <locale>
#include <sstream>
#include <string>

#include "utilo/NumberText.h"

namespace {

using kv::number::LeadingInt;
using kv::number::LeadingInteger;

TEST(NumberText, ReadsTheLeadingIntegerAsStrtollAndTellsWhatDoesNotFitAnInt) {
    std::size_t end = 99;
    EXPECT_EQ(LeadingInt(" \t-42abc", 10, &end), -42);
    EXPECT_EQ(end, 5u);
    EXPECT_EQ(LeadingInt("+7"), 7);
    EXPECT_EQ(LeadingInt("ff", 16), 255);
    EXPECT_EQ(LeadingInt("abc", 10, &end), std::nullopt);
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(LeadingInt(""), std::nullopt);
    EXPECT_EQ(LeadingInt("2147483647"), 2147483647);
    EXPECT_EQ(LeadingInt("2147483648"), std::nullopt);
    EXPECT_EQ(LeadingInt("-2147483649"), std::nullopt);
    // Past an int the wide reading still answers, saturating past long long.
    EXPECT_EQ(LeadingInteger("2147483648"), 2147483648LL);
    EXPECT_EQ(LeadingInteger(std::string(30, '9')), LLONG_MAX);
    EXPECT_EQ(LeadingInteger("-" + std::string(30, '9')), LLONG_MIN);
}

TEST(NumberText, WritesExactlyWhatPrintfAndAStreamWrite) {
    for (const double value : {0.0, -0.0, 5.0, -5.0, 12.5, -2000.25, 1234567.0, 999999999999999.0,
                               -999999999999999.0, 1e15, 1e-7, 0.1 + 0.2, 3.4028234663852886e38,
                               static_cast<double>(212.0f * 0.5555556f), DBL_MAX, -DBL_MAX}) {
        char printed[400];
        std::snprintf(printed, sizeof printed, "%f", value);
        EXPECT_EQ(kv::number::FixedText(value), printed) << printed;
        std::ostringstream stream;
        stream.imbue(std::locale::classic());
        stream << value;
        EXPECT_EQ(kv::number::StreamText(value), stream.str()) << stream.str();
    }
}

}  // namespace
