// Tests of units and value descriptors: base units, unit matching, conversion, ranges, choices.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/IntKeyIndex.h"
#include "data/KvData.h"
#include "data/LineKeyIndex.h"
#include "data/NameIndex.h"
#include "tests/data/DataTestSupport.h"

namespace {

using kv::test::ExpectNoLog;
using kv::test::ExpectOnlyError;
using kv::test::kLc;
using kv::test::TestData;

// A KvData whose unit table holds kg (base g, ratio 1000) and then g (the base itself).
class UnitsTest : public ::testing::Test {
protected:
    UnitsTest() {
        host.AddTable(kLc, "bsType",
                      R"([{"name": "重量", "nameDesc": "weight", "dataType": "number", "unit": "g"},
                          {"name": "温度", "nameDesc": "temp", "dataType": "number", "unit": "℃"},
                          {"name": "体积", "nameDesc": "g", "dataType": "number", "unit": "ml"}])");
        host.AddTable(kLc, "unit",
                      R"([{"srcename": "kg", "srccname": "千克", "base": "g", "ratio": 1000, "offset": 0},
                          {"srcename": "g", "srccname": "克", "base": "g", "ratio": 1, "offset": 0},
                          {"srcename": "F", "srccname": "华氏度", "base": "℃", "ratio": 0.5555556, "offset": -17.777779}])");
        data = std::make_unique<KvData>(&host);
    }

    // ParsePublicValue on a copy of text: (accepted, out, rewritten text).
    std::tuple<bool, float, std::string> Parse(std::string text, const std::string& unitType) {
        float out = -1.0f;
        text = kv::test::Host(text);
        const bool accepted = data->ParsePublicValue(text, kv::test::Host(unitType), out);
        return {accepted, out, kv::test::Utf8(text)};
    }

    TestData host;
    std::unique_ptr<KvData> data;
};

TEST_F(UnitsTest, BasicUnitMatchesNameDescriptionOrUnitOfTheFirstTypeByName) {
    ExpectNoLog(host.log);
    EXPECT_EQ(data->GetBasicUnit(kv::test::Host("重量")), "g");
    EXPECT_EQ(kv::test::Utf8(data->GetBasicUnit("temp")), "℃");
    EXPECT_EQ(data->GetBasicUnit("ml"), "ml");
    // 体积 sorts before 重量 by bytes, and its description is g.
    EXPECT_EQ(data->GetBasicUnit("g"), "ml");
    EXPECT_EQ(data->GetBasicUnit(kv::test::Host("长度")), "");
    EXPECT_EQ(data->GetBasicUnit(""), "");
}

TEST_F(UnitsTest, ABusinessTypeAddedAfterALookupAnswersEvenWhenItBringsNoNewName) {
    EXPECT_EQ(kv::test::Utf8(data->GetBasicUnit("temp")), "℃");
    // Its name, description and unit are all names known already, so the names looked up keep
    // their number; first by name, the new type answers for all three.
    CBsType type;
    type.name = "g";
    type.nameDesc = "temp";
    type.unit = "ml";
    data->bsType.emplace(type.name, type);
    EXPECT_EQ(data->GetBasicUnit("temp"), "ml");
    EXPECT_EQ(data->GetBasicUnit("g"), "ml");
    EXPECT_EQ(kv::test::Utf8(data->GetBasicUnit(kv::test::Host("温度"))), "℃");
}

TEST_F(UnitsTest, ParseUnitKeepsTheFirstMatchUnlessALaterNameIsLonger) {
    std::pair<size_t, std::string> found{99, "unchanged"};
    CUnit unit;
    ASSERT_TRUE(data->ParseUnit("5kg", found, unit));
    EXPECT_EQ(found, (std::pair<size_t, std::string>{1, "kg"}));
    EXPECT_EQ(unit.srcename, "kg");
    EXPECT_EQ(kv::test::Utf8(unit.srccname), "千克");
    EXPECT_EQ(unit.base, "g");
    EXPECT_EQ(unit.ratio, 1000.0f);
    EXPECT_EQ(unit.offset, 0.0f);

    ASSERT_TRUE(data->ParseUnit(kv::test::Host("3克"), found, unit));
    EXPECT_EQ(found, (std::pair<size_t, std::string>{1, kv::test::Host("克")}));
    EXPECT_EQ(unit.srcename, "g");
}

TEST_F(UnitsTest, ParseUnitNeedsSomethingBeforeTheName) {
    std::pair<size_t, std::string> found{99, "unchanged"};
    CUnit unit;
    unit.base = "unchanged";
    EXPECT_FALSE(data->ParseUnit("g5", found, unit));
    EXPECT_FALSE(data->ParseUnit(kv::test::Host("克"), found, unit));
    EXPECT_FALSE(data->ParseUnit("", found, unit));
    EXPECT_EQ(found, (std::pair<size_t, std::string>{99, "unchanged"}));
    EXPECT_EQ(unit.base, "unchanged");
    // kg at 0 does not match, but its g at 1 does.
    for (const char* text : {"kg", "kg5"}) {
        ASSERT_TRUE(data->ParseUnit(text, found, unit));
        EXPECT_EQ(found, (std::pair<size_t, std::string>{1, "g"}));
    }
}

TEST(ParseUnit, TheLongestNameEndingTheTextWinsWhateverTheTableOrder) {
    TestData host;
    host.AddTable(kLc, "unit",
                  R"([{"srcename": "l", "base": "l", "ratio": 1, "offset": 0},
                      {"srcename": "kcal", "base": "cal", "ratio": 1000, "offset": 0},
                      {"srcename": "cal", "base": "cal", "ratio": 1, "offset": 0},
                      {"srcename": "", "srccname": "", "ratio": 1, "offset": 0}])");
    KvData data(&host);
    std::pair<size_t, std::string> found;
    CUnit unit;
    ASSERT_TRUE(data.ParseUnit("2kcal", found, unit));
    EXPECT_EQ(found, (std::pair<size_t, std::string>{1, "kcal"}));
    EXPECT_EQ(unit.srcename, "kcal");
    std::string value = "2kcal";
    float out = 0.0f;
    EXPECT_TRUE(data.ParsePublicValue(value, "cal", out));
    EXPECT_EQ(out, 2000.0f);
    EXPECT_EQ(value, "2000.000000");

    // When no name ends the text, a later match still wins only when longer than the first.
    ASSERT_TRUE(data.ParseUnit("2kcalx", found, unit));
    EXPECT_EQ(found, (std::pair<size_t, std::string>{2, "cal"}));
}

TEST_F(UnitsTest, PlainNumbersAreTakenAsTheyStand) {
    EXPECT_EQ(Parse("12", "g"), std::make_tuple(true, 12.0f, std::string("12")));
    EXPECT_EQ(Parse("-10", "g"), std::make_tuple(true, -10.0f, std::string("-10")));
    EXPECT_EQ(Parse("2.5", "℃"), std::make_tuple(true, 2.5f, std::string("2.5")));
}

TEST_F(UnitsTest, ANumberTypeRefusesWordsButTakesValuesGivenElsewhereAsZero) {
    for (const char* word : {"abc", "5kg", "", "nul", "nulls", "1e", "1.2.3"}) {
        EXPECT_EQ(Parse(word, "number"), std::make_tuple(false, 0.0f, std::string(word))) << word;
    }
    for (const char* elsewhere : {"\"abc\"", "\"", "#speed", "null", "NuLL"}) {
        EXPECT_EQ(Parse(elsewhere, "number"), std::make_tuple(true, 0.0f, std::string(elsewhere)))
            << elsewhere;
    }
}

TEST_F(UnitsTest, ValuesWithUnitsAreConvertedToTheBaseAndRewritten) {
    EXPECT_EQ(Parse("5kg", "g"), std::make_tuple(true, 5000.0f, std::string("5000.000000")));
    EXPECT_EQ(Parse("5g", "g"), std::make_tuple(true, 5.0f, std::string("5.000000")));
    EXPECT_EQ(Parse("1.5千克", "g"), std::make_tuple(true, 1500.0f, std::string("1500.000000")));
    EXPECT_EQ(Parse("-2kg", "g"), std::make_tuple(true, -2000.0f, std::string("-2000.000000")));
    // Single precision: 212 * 0.5555556f rounds, then the offset is added.
    const float expected = 212.0f * 0.5555556f + -17.777779f;
    EXPECT_EQ(Parse("212F", "℃"), std::make_tuple(true, expected,
                                                   std::to_string(static_cast<double>(expected))));
}

TEST_F(UnitsTest, ValuesWithAWrongOrMisplacedUnitAreRejected) {
    for (const char* text : {"kg5", "kg", "5kg ", "5 kg", "5kgx", "xkg", "5.kg", "5ml"}) {
        const auto [accepted, out, rewritten] = Parse(text, "g");
        EXPECT_FALSE(accepted) << text;
        EXPECT_EQ(out, 0.0f) << text;
        EXPECT_EQ(rewritten, text) << text;
    }
    EXPECT_FALSE(std::get<0>(Parse("5kg", "ml")));
    EXPECT_FALSE(std::get<0>(Parse("", "g")));
}

TEST_F(UnitsTest, NumbersBeyondTheirRangeAreNeverReadAsZero) {
    // Too large for an int: read as a float, not as 0.
    EXPECT_EQ(Parse("3000000000", "g"), std::make_tuple(true, 3e9f, std::string("3000000000")));
    EXPECT_EQ(Parse("3000000000g", "g"),
              std::make_tuple(true, 3e9f, std::string("3000000000.000000")));
    // Beyond float range, or leaving it through the conversion: no value.
    const std::string huge = std::string(40, '9');
    EXPECT_FALSE(std::get<0>(Parse(huge, "g")));
    EXPECT_FALSE(std::get<0>(Parse(huge + ".5", "g")));
    EXPECT_FALSE(std::get<0>(Parse("1" + std::string(36, '0') + "kg", "g")));
}

TEST_F(UnitsTest, ScopeBoundsAreInclusiveAndInfIsOpen) {
    using Scope = std::vector<std::string>;
    EXPECT_TRUE(data->CheckScopeValue(5, Scope{"0", "INF"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(0, Scope{"0", "inf"}, &host));
    EXPECT_FALSE(data->CheckScopeValue(-1, Scope{"0", "inf"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(1e30, Scope{"0", "iNf"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(10, Scope{"1", "10"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(1, Scope{"1", "10"}, &host));
    EXPECT_FALSE(data->CheckScopeValue(10.5, Scope{"1", "10"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(-0.5, Scope{"-1.5", "2.5"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(5, Scope{"5", "5"}, &host));
    // A bound that is no number counts as 0.
    EXPECT_TRUE(data->CheckScopeValue(0, Scope{"low", "high"}, &host));
    EXPECT_FALSE(data->CheckScopeValue(1, Scope{"low", "high"}, &host));
    // Large bounds are not read as 0; one beyond the float range is as open as inf.
    EXPECT_TRUE(data->CheckScopeValue(2500000000.0, Scope{"0", "3000000000"}, &host));
    EXPECT_TRUE(data->CheckScopeValue(1e30, Scope{"0", std::string(40, '9')}, &host));
    ExpectNoLog(host.log);
}

TEST_F(UnitsTest, AReversedScopeIsReportedAndFails) {
    EXPECT_FALSE(data->CheckScopeValue(5, std::vector<std::string>{"10", "1"}, &host));
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮输入数据错误：参数范围有误");
}

TEST_F(UnitsTest, AScopeIsReadAgainWhenItsTextsChangeAndReportedEveryTime) {
    std::vector<std::string> scope = {"0", "10"};
    EXPECT_TRUE(data->CheckScopeValue(5, scope, &host));
    scope[1] = "3";  // the same strings, a new bound
    EXPECT_FALSE(data->CheckScopeValue(5, scope, &host));
    scope[1] = "inf";
    EXPECT_TRUE(data->CheckScopeValue(5000, scope, &host));
    ExpectNoLog(host.log);
    scope = {"10", "1"};
    EXPECT_FALSE(data->CheckScopeValue(5, scope, &host));
    EXPECT_FALSE(data->CheckScopeValue(5, scope, &host));
    EXPECT_EQ(kv::test::Errors(host.log).size(), 2u);
}

TEST_F(UnitsTest, AScopeWithoutTwoBoundsFailsQuietly) {
    EXPECT_FALSE(data->CheckScopeValue(5, std::vector<std::string>{}, &host));
    EXPECT_FALSE(data->CheckScopeValue(5, std::vector<std::string>{"0"}, &host));
    CFunPar par;
    par.scope.items = {"0", "10", "ignored"};
    EXPECT_TRUE(data->CheckScopeValue(5, par.scope, &host));
    ExpectNoLog(host.log);
}

TEST_F(UnitsTest, SelectAcceptsKeysOrValuesAndRewritesToTheValue) {
    const std::map<std::string, std::string> select = {{"high", "3"}, {"low", "1"}};
    std::string text = "low";
    EXPECT_TRUE(data->CheckSelectValue(text, select));
    EXPECT_EQ(text, "1");
    text = "3";
    EXPECT_TRUE(data->CheckSelectValue(text, select));
    EXPECT_EQ(text, "3");
    text = "mid";
    EXPECT_FALSE(data->CheckSelectValue(text, select));
    EXPECT_EQ(text, "mid");
    text = "";
    EXPECT_FALSE(data->CheckSelectValue(text, {}));
    // The first entry in key order wins when a text is a key of one and a value of another.
    text = "a";
    EXPECT_TRUE(data->CheckSelectValue(text, {{"a", "x"}, {"0", "a"}}));
    EXPECT_EQ(text, "a");
}

}  // namespace

// The index must choose exactly as the table walk does whenever the walk's choice ends the
// text, and find nothing otherwise: names inside other names, names met twice, a Chinese name
// that counts only where the English one matches nowhere, and duplicates.
TEST(UnitIndex, FindsTheUnitTheTableWalkChoosesWhenItEndsTheText) {
    TestData host;
    host.AddTable(kLc, "unit", R"([
        {"srcename": "l", "srccname": "升", "base": "ml", "ratio": 1000, "offset": 0},
        {"srcename": "kcal", "srccname": "千卡", "base": "cal", "ratio": 1000, "offset": 0},
        {"srcename": "cal", "srccname": "卡", "base": "cal", "ratio": 1, "offset": 0},
        {"srcename": "g", "srccname": "克", "base": "g", "ratio": 1, "offset": 0},
        {"srcename": "zz", "srccname": "克", "base": "g", "ratio": 2, "offset": 0},
        {"srcename": "g", "srccname": "克", "base": "g", "ratio": 3, "offset": 0},
        {"srcename": "min", "srccname": "分钟", "base": "s", "ratio": 60, "offset": 0},
        {"srcename": "n", "srccname": "分", "base": "s", "ratio": 1, "offset": 0}])");
    KvData data(&host);
    const UnitIndex index(data.unit.items);
    for (const std::string utf8 :
         {"5g",    "2kcal", "2cal",  "5l",       "3克",   "3千卡", "5分钟", "5min",
          "5n",    "gg",    "5gg",   "5g5",      "g",     "",      "5",     "5zz",
          "5zz克", "克",    "5ming", "5kcalcal", "lkcal", "5l5l"}) {
        const std::string text = kv::test::Host(utf8);
        std::pair<size_t, std::string> walked{0, ""};
        CUnit walkedUnit;
        const bool matched = data.ParseUnit(text, walked, walkedUnit);
        const bool walkEnds = matched && walked.first + walked.second.size() == text.size();
        std::size_t position = 0;
        const std::string* name = nullptr;
        const CUnit* found = index.FindEnding(text, position, name);
        ASSERT_EQ(found != nullptr, walkEnds) << utf8;
        if (found == nullptr) continue;
        EXPECT_EQ(position, walked.first) << utf8;
        EXPECT_EQ(*name, walked.second) << utf8;
        EXPECT_EQ(found->ratio, walkedUnit.ratio) << utf8;
    }
}

// Every name of a table larger than the index's first size is found, no other name is, and a
// table that grew after its first lookup is indexed again.
TEST(NameIndex, FindsExactlyTheTableNamesAndFollowsATableThatGrew) {
    std::map<std::string, int> table;
    for (int i = 0; i < 1000; ++i) table.emplace("食材" + std::to_string(i), i);
    NameIndex<int> index;
    for (int i = 0; i < 1000; ++i) {
        const auto* entry = index.Find(table, "食材" + std::to_string(i));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->second, i);
    }
    EXPECT_EQ(index.Find(table, "食材"), nullptr);
    EXPECT_EQ(index.Find(table, "食材1000"), nullptr);
    EXPECT_EQ(index.Find(table, ""), nullptr);
    table.emplace("食材1000", 1000);
    ASSERT_NE(index.Find(table, "食材1000"), nullptr);
    EXPECT_EQ(index.Find(table, "食材1000")->second, 1000);
}

// A line number finds the entry written as "%d" of it and nothing else: not "007" for 7, not a
// name that is not a number; negative numbers and numbers past the array go by name.
TEST(LineKeyIndex, FindsTheDecimalNameOfEachNumberAndNoOther) {
    std::map<std::string, std::string> table{
        {"1", "t1"},   {"2", "t2"},           {"007", "zero"},     {"-3", "minus"},
        {"x", "name"}, {"2147483647", "max"}, {"99999999999", "x"}};
    LineKeyIndex<std::string> index;
    const auto found = [&](int number) {
        const auto* entry = index.Find(table, number);
        return entry != nullptr ? entry->second : std::string("(none)");
    };
    EXPECT_EQ(found(1), "t1");
    EXPECT_EQ(found(2), "t2");
    EXPECT_EQ(found(7), "(none)");
    EXPECT_EQ(found(0), "(none)");
    EXPECT_EQ(found(-3), "minus");
    EXPECT_EQ(found(2147483647), "max");
    EXPECT_EQ(found(3), "(none)");
    table.emplace("3", "t3");
    EXPECT_EQ(found(3), "t3");
}

// A key finds its own entry and no other: keys in the array, negative keys and keys past its
// bound alike; a table that grew, or was refilled whole to the same size, is indexed again.
TEST(IntKeyIndex, FindsEachKeyAndFollowsATableThatGrewOrWasRefilled) {
    std::map<int, int> table{{1, 10}, {3, 30}, {-2, -20}, {2147483647, 7}};
    IntKeyIndex<int> index;
    const auto found = [&](int key) {
        const auto* entry = index.Find(table, key);
        return entry != nullptr ? entry->second : 0;
    };
    EXPECT_EQ(found(1), 10);
    EXPECT_EQ(found(3), 30);
    EXPECT_EQ(found(-2), -20);
    EXPECT_EQ(found(2147483647), 7);
    EXPECT_EQ(found(0), 0);
    EXPECT_EQ(found(2), 0);
    EXPECT_EQ(found(4), 0);
    EXPECT_EQ(found(5000), 0);
    table.emplace(4, 40);
    EXPECT_EQ(found(4), 40);
    table = {{5, 50}, {6, 60}, {7, 70}, {8, 80}, {9, 90}};
    EXPECT_EQ(found(1), 0);
    EXPECT_EQ(found(5), 50);
    EXPECT_EQ(found(9), 90);
}
