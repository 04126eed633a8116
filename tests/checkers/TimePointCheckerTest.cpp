// The time-point checker: the time map and time comparisons rewritten as timeouts.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "checkers/TimePointSemanticCodeAnalyze.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

using Lines = std::vector<std::string>;
using TimeMap = std::map<int, int>;

class TimePoints : public ::testing::Test {
protected:
    // Offers every leaf of every block of recipe with the whole list, as the host does, and
    // returns the program text afterwards.
    Lines Run(const std::string& recipe) {
        parsed = kv::test::ParseUtf8Recipe(recipe);
        EXPECT_TRUE(parsed.errors.empty()) << recipe;
        all.clear();
        for (const auto& block : parsed.blocks) {
            for (ISyntaxTreeNode* leaf : visitor->CollectNodes(block.get())) all.push_back(leaf);
        }
        for (ISyntaxTreeNode* leaf : all) EXPECT_FALSE(checker.Analyze(leaf, &all));
        EXPECT_FALSE(checker.GetNeedReSyntaxAnalyze());
        return Program();
    }
    Lines Program() {
        Lines lines;
        for (const auto& block : parsed.blocks)
            lines.push_back(kv::test::Utf8(visitor->ToText(block.get())));
        return lines;
    }
    // The errors as "op code@line:column text".
    Lines Reported() const {
        Lines out;
        for (const kv::host::LogCall& call : kv::test::Errors(host.log)) {
            out.push_back(kv::test::OpName(call) + " " + std::to_string(call.code) + "@" +
                          std::to_string(call.line) + ":" + std::to_string(call.column) + " " +
                          call.text);
        }
        return out;
    }

    kv::test::TestData host;
    KvData app{nullptr};
    TimePointSemanticCodeAnalyze checker{&host, &app};
    std::unique_ptr<ISyntaxTreeVisitor> visitor{newSyntaxTreeVistor(&host)};
    ParsedRecipe parsed;
    std::vector<ISyntaxTreeNode*> all;
};

TEST_F(TimePoints, EachComparisonBecomesTheTimeoutSinceTheTimePointOnThePreviousLine) {
    EXPECT_EQ(Run("\n\ntime >= 10 => a = 1\ntime == 25 => a = 1\n\n\ntime < 40 => a = 1\n"),
              (Lines{"超时 >= 10 => a = 1", "超时 >= 15 => a = 1", "超时 >= 40 => a = 1"}));
    EXPECT_EQ(app.logicTimeMap, (TimeMap{{3, 10}, {4, 25}, {7, 40}}));
    EXPECT_EQ(Reported(), Lines{});
}

TEST_F(TimePoints, ALineKeepsItsFirstValueForEveryComparisonOnIt) {
    EXPECT_EQ(Run("time > 30, time < 50 => a = 1\ntime > 45, time < 50 => time = 7"),
              (Lines{"超时 >= 30, 超时 >= 50 => a = 1", "超时 >= 15, 超时 >= 15 => 超时 >= 15"}));
    // The assignment to time counts as a comparison, though it adds no time point.
    EXPECT_EQ(app.logicTimeMap, (TimeMap{{1, 30}, {2, 45}}));
}

TEST_F(TimePoints, ATimeValueThatIsNoIntegerStopsTheMapAndEveryRewrite) {
    EXPECT_EQ(Run("time >= 10 => a = 1\nx > 1, time >= 1.5 => a = 1\ntime >= 20 => a = 1"),
              (Lines{"time >= 10 => a = 1", "x > 1, time >= 1.5 => a = 1", "time >= 20 => a = 1"}));
    EXPECT_EQ(app.logicTimeMap, (TimeMap{{1, 10}}));
    EXPECT_EQ(Reported(), Lines{"ReportErrorAt 2002@2:8 时间点错误不是整数"});
}

TEST_F(TimePoints, AValueBeyondIntIsNoIntegerReportedAgainWhileTheMapIsEmpty) {
    EXPECT_EQ(Run("time >= 2147483648 => a = 1\ntime >= 5 => a = 1"),
              (Lines{"time >= 2147483648 => a = 1", "time >= 5 => a = 1"}));
    EXPECT_TRUE(app.logicTimeMap.empty());
    EXPECT_EQ(Reported(), (Lines{"ReportErrorAt 2002@1:1 时间点错误不是整数",
                                 "ReportErrorAt 2002@1:1 时间点错误不是整数"}));
}

TEST_F(TimePoints, DifferencesAreExactAcrossTheWholeIntRange) {
    EXPECT_EQ(Run("time >= -2147483648 => a = 1\ntime >= 2147483647 => a = 1")[1],
              "超时 >= 4294967295 => a = 1");
    EXPECT_EQ(app.logicTimeMap, (TimeMap{{1, INT_MIN}, {2, INT_MAX}}));
}

TEST_F(TimePoints, OnlyAValueBesideTimeInATwoOperandNodeCountsAndOnlyWithNodesGiven) {
    EXPECT_EQ(Run("oven.temp >= 10 => a = 1"), Lines{"oven.temp >= 10 => a = 1"});
    EXPECT_TRUE(app.logicTimeMap.empty());

    ParsedRecipe recipe = kv::test::ParseUtf8Recipe("time >= 10 => a = 1");
    std::vector<ISyntaxTreeNode*> leaves = visitor->CollectNodes(recipe.blocks.at(0).get());
    std::vector<ISyntaxTreeNode*> none;
    EXPECT_FALSE(checker.Analyze(leaves[1], &none));
    EXPECT_FALSE(checker.Analyze(leaves[1], nullptr));
    EXPECT_FALSE(TimePointSemanticCodeAnalyze(nullptr, &app).Analyze(leaves[1], &leaves));
    EXPECT_TRUE(app.logicTimeMap.empty());
    EXPECT_EQ(visitor->ToText(recipe.blocks[0].get()), "time >= 10 => a = 1");
    EXPECT_FALSE(checker.Analyze(leaves[1], &leaves));
    EXPECT_EQ(kv::test::Utf8(visitor->ToText(recipe.blocks[0].get())), "超时 >= 10 => a = 1");

    // With a time point on the line, a node of three operands is still no comparison.
    std::unique_ptr<ISyntaxTreeNode> call(newSyntaxTreeNode(newToken("f", 1, 1, 1, 4), nullptr));
    IToken* time = newToken("time", 3, 1, 1, kv::TokenType::Name);
    newSyntaxTreeNode(time, call.get());
    ISyntaxTreeNode* value = newSyntaxTreeNode(newToken("5", 9, 1, 1, 2), call.get());
    newSyntaxTreeNode(newToken("6", 12, 1, 1, 2), call.get());
    EXPECT_FALSE(checker.Analyze(value, &leaves));
    EXPECT_EQ(app.logicTimeMap, (TimeMap{{1, 10}}));
    EXPECT_EQ(time->GetText(), "time");
}

// A stand-in for a node of the host's list that counts how often its root is asked for.
class RootCounting : public ISyntaxTreeNode {
public:
    explicit RootCounting(ISyntaxTreeNode* real) : real_(real) {}
    std::vector<ISyntaxTreeNode*>& GetChildren() override { return real_->GetChildren(); }
    ISyntaxTreeNode* GetParent() override { return real_->GetParent(); }
    IToken* GetToken() override { return real_->GetToken(); }
    bool IsFirstChild() override { return real_->IsFirstChild(); }
    void AddChild(ISyntaxTreeNode* child) override { real_->AddChild(child); }
    void RemoveChild(ISyntaxTreeNode* child) override { real_->RemoveChild(child); }
    ISyntaxTreeNode* GetRoot() override {
        ++rootCalls;
        return real_->GetRoot();
    }
    long rootCalls = 0;

private:
    ISyntaxTreeNode* real_;
};

TEST_F(TimePoints, AProgramWithoutTimePointsIsSearchedOnceNotOncePerComparison) {
    // Assignments to time count as comparisons but add no time point, so the map stays empty.
    ParsedRecipe recipe = kv::test::ParseUtf8Recipe("x = 1; time = 5");
    ASSERT_TRUE(recipe.errors.empty());
    ISyntaxTreeNode* value = visitor->CollectNodes(recipe.blocks.at(0).get()).back();
    RootCounting listed(value);
    constexpr long kNodes = 2000;
    std::vector<ISyntaxTreeNode*> list(kNodes, &listed);
    for (long i = 0; i < kNodes; ++i) EXPECT_FALSE(checker.Analyze(value, &list));
    EXPECT_TRUE(app.logicTimeMap.empty());
    EXPECT_EQ(listed.rootCalls, kNodes);

    // A list that grew is searched on from where the search ended.
    list.push_back(&listed);
    EXPECT_FALSE(checker.Analyze(value, &list));
    EXPECT_EQ(listed.rootCalls, kNodes + 1);
}

}  // namespace
