// The analyzer's construction, listings and the checkers it hands to the host.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "ISemanticAnalyzer.h"
#include "arbor/BasicData.h"
#include "arbor/RecipeParser.h"
#include "support/TestHost.h"

namespace {

using kv::test::TestData;

TEST(AnalyzerLifecycle, LogsOnlyTheVersionLineWhenCreated) {
    TestData data;
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    ASSERT_EQ(data.log.Calls().size(), 1u);
    EXPECT_EQ(kv::test::OpName(data.log.Calls()[0]), "Print");
    EXPECT_EQ(data.log.Calls()[0].level, 0);
    EXPECT_EQ(data.log.Calls()[0].text, "餐饮语义分析器版本：V3.00.03.00");
}

TEST(AnalyzerLifecycle, LoadErrorsComeBeforeTheVersionLine) {
    TestData data;
    data.AddTable("appParameterDataLc", "functionParasValueDes").AddRow("0", "", false);
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    ASSERT_EQ(data.log.Calls().size(), 2u);
    EXPECT_EQ(data.log.Calls()[0].text, "表<functionParasValueDes>数据错误！！！");
    EXPECT_EQ(data.log.Calls()[1].text, "餐饮语义分析器版本：V3.00.03.00");
}

// A sink that fails on listings, as a host whose log is closed might.
class ThrowingLog : public ILanguageDebug {
public:
    bool HasError() override { return false; }
    void Print(const std::string&, int) override { throw std::runtime_error("log closed"); }
    void PrintLine(const std::string&, int) override {}
    void ReportError(int, const std::string&, int) override {}
    void ReportErrorAt(int, int, int, const std::string&, int) override {}
    void ReportErrorAtWithData(int, int, int, const std::string&, const std::string&,
                               const std::map<std::string, std::string>&, int) override {}
};

class ThrowingLogData : public TestData {
public:
    ILanguageDebug* GetLanguageDebug() override { return &failing; }
    ThrowingLog failing;
};

// The exception reaches the host and the half-built analyzer is released: the leak checker of
// a sanitized build fails this test otherwise.
TEST(AnalyzerLifecycle, ASinkThatThrowsOnTheVersionLineLeavesNothingBehind) {
    ThrowingLogData data;
    data.AddTable("appParameterDataLc", "ingredient", R"([{"code": "m1", "name": "盐"}])");
    EXPECT_THROW(createObject(&data), std::runtime_error);
}

TEST(AnalyzerLifecycle, EndAnalyzeListsTheProgramTextOfTheTree) {
    TestData data;
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    ParsedRecipe recipe = kv::test::ParseUtf8Recipe("time >= 10 => task_t1 = 3; heat(180, 5kg)\n");
    ASSERT_TRUE(recipe.errors.empty());
    analyzer->EndAnalyze(recipe.blocks[0].get());
    // The listing comes first; the parameter formatting that follows reports heat's missing
    // descriptor.
    ASSERT_GE(data.log.Calls().size(), 2u);
    EXPECT_EQ(kv::test::OpName(data.log.Calls()[1]), "Print");
    EXPECT_EQ(data.log.Calls()[1].text, "餐饮语义分析后:time >= 10 => task_t1 = 3; heat(180, 5kg)");
}

TEST(AnalyzerLifecycle, AppendsToTheCheckerListWithoutClearingIt) {
    TestData data;
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    std::vector<ISemanticGenerator*> checkers(1, nullptr);
    analyzer->GetAppSemanticAnalyzers(checkers);
    ASSERT_EQ(checkers.size(), 4u);
    EXPECT_EQ(checkers[0], nullptr);
    for (size_t i = 1; i < checkers.size(); ++i) delete checkers[i];
}

}  // namespace

namespace {

TEST(AnalyzerLifecycle, NoDataStoreGivesNoAnalyzer) { EXPECT_EQ(createObject(nullptr), nullptr); }

}  // namespace
