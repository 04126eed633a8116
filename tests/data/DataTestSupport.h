// DataTestSupport: helpers shared by the data tests to state the expected log exactly.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestHost.h"

namespace kv::test {

inline constexpr const char* kLc = "appParameterDataLc";
inline constexpr const char* kVm = "appParameterDataVm";
inline constexpr const char* kSystem = "systemParameterDataLc";

// Asserts that the log holds exactly one error: op with code 2002, level 3, and text; a
// ReportErrorAt has no position (-1, -1).
inline void ExpectOnlyError(const kv::host::LogSink& log, const std::string& op,
                            const std::string& text) {
    const auto errors = kv::test::Errors(log);
    ASSERT_EQ(errors.size(), 1u) << (errors.empty() ? "no error" : errors.back().text);
    EXPECT_EQ(kv::test::OpName(errors[0]), op);
    EXPECT_EQ(errors[0].code, 2002);
    EXPECT_EQ(errors[0].level, 3);
    EXPECT_EQ(errors[0].text, text);
    if (op == "ReportErrorAt") {
        EXPECT_EQ(errors[0].line, -1);
        EXPECT_EQ(errors[0].column, -1);
    }
}

inline void ExpectNoLog(const kv::host::LogSink& log) {
    EXPECT_TRUE(log.Calls().empty()) << log.Calls().front().text;
}

}  // namespace kv::test
