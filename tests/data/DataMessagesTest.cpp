// Tests of the data message catalog: unique ids, known codes, texts assembled around a part.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "data/DataMessages.h"

namespace {

TEST(DataMessages, EveryRowHasAUniqueNameAKnownCodeAndAText) {
    const std::set<int> codes = {1001, 1002, 1003, 1004, 2001, 2002, 2003};
    std::set<std::string> names;
    size_t index = 0;
    for (const data_msg::Entry& entry : data_msg::kCatalog) {
        EXPECT_EQ(static_cast<size_t>(entry.id), index++) << entry.name;
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_EQ(codes.count(entry.code), 1u) << entry.name;
        EXPECT_NE(std::string(entry.head), "") << entry.name;
        EXPECT_EQ(entry.wrapsPart || std::string(entry.tail).empty(), true) << entry.name;
    }
}

TEST(DataMessages, APartGoesBetweenHeadAndTailAndFixedTextsIgnoreIt) {
    EXPECT_EQ(data_msg::Text(data_msg::Id::VarKeyMalformed, "a<b>"),
              "应用变量数据错误：变量key<a<b>>格式错误");
    EXPECT_EQ(data_msg::Text(data_msg::Id::MaterialIdMissing, ""), "表<ingredient>错误：<的id未填写!");
    EXPECT_EQ(data_msg::Text(data_msg::Id::ScopeBoundsReversed, "ignored"),
              "餐饮输入数据错误：参数范围有误");
    EXPECT_EQ(data_msg::Text(data_msg::Id::UnitNameAllDigits, std::string("1\0" "2", 3)),
              "单位名称<" + std::string("1\0" "2", 3) + ">错误:单位名不能是纯数字！");
}

TEST(DataMessages, ReportingWithoutAHostDoesNothing) {
    data_msg::ReportAt(nullptr, data_msg::Id::ScopeBoundsReversed);
    data_msg::Report(nullptr, data_msg::Id::MaterialIdMissing, "x");
}

}  // namespace
