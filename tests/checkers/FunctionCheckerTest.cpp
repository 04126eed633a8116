// Function call checker: which calls are examined, argument counts, quotes, null, dispatch.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "checkers/FunctionSemanticCodeAnalyze.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

struct RecipeFunction : ICFunction {
    explicit RecipeFunction(int n) : number(n) {}
    int GetDevIndex() override { return 0; }
    int GetFunctionNo() override { return number; }
    std::string GetFullName() override { return "dev.f"; }
    std::string GetMethodPath() override { return "dev.f"; }
    int number;
};

// TestData with a function table.
class FunctionHost : public kv::test::TestData {
public:
    std::map<std::string, std::vector<ICFunction*>> functions;
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return functions;
    }
};

class FunctionCheckerTest : public ::testing::Test {
protected:
    FunctionCheckerTest() {
        const char* lc = "appParameterDataLc";
        host.AddTable(lc, "bsType", R"([
            {"name": "number", "dataType": "number"},
            {"name": "string", "dataType": " String "},
            {"name": "重量", "dataType": "number", "unit": "g"},
            {"name": "material-id", "dataType": "int"},
            {"name": "res-id", "dataType": "int"}])");
        host.AddTable(lc, "unit", R"([
            {"srcename": "kg", "base": "g", "ratio": 1000, "offset": 0},
            {"srcename": "g", "base": "g", "ratio": 1, "offset": 0}])");
        host.AddTable(lc, "ingredient", R"([{"code": "M01", "name": "米"}])");
        host.AddTable(lc, "resource", R"([{"code": "R07", "name": "锅"}])");
        host.AddTable(lc, "par", R"({"speed": ["1", "2"]})");
        host.AddTable(lc, "functionParasValueDes", R"({
            "heat": {"par": [{"name": "temp", "dataType": "number", "scope": ["0", "300"]},
                             {"name": "weight", "dataType": "重量"},
                             {"name": "note", "dataType": "string", "isEmpty": 1}]},
            "say": {"par": [{"name": "text", "dataType": "string"},
                            {"name": "mode", "dataType": "string", "scope": ["0", "10"]},
                            {"name": "level", "dataType": "number"}]},
            "fill": {"arrayPar": {"name": "items",
                                  "par": [{"name": "what", "dataType": "material-id"},
                                          {"name": "qty", "dataType": "重量"}]}},
            "mix": {"arrayPar": {"name": "x", "par": []}},
            "use": {"par": [{"name": "pot", "dataType": "res-id"},
                            {"name": "free", "dataType": ""},
                            {"name": "odd", "dataType": "无此类型"}]}})");
        int number = 1;
        for (const char* name : {"heat", "say", "fill", "mix", "use", "nodesc"}) {
            owned.push_back(std::make_unique<RecipeFunction>(number++));
            host.functions[name] = {owned.back().get()};
        }
        owned.push_back(std::make_unique<RecipeFunction>(0));
        host.functions["zero"] = {owned.back().get()};
        host.functions["empty"] = {};
        appData = std::make_unique<KvData>(&host);
        checker = std::make_unique<FunctionSemanticCodeAnalyze>(&host, appData.get());
        EXPECT_TRUE(kv::test::Errors(host.log).empty());
    }

    // Offers every node of the one-line recipe to the checker, as the host does; returns what
    // Analyze answered per node, and keeps the program text in program.
    std::vector<bool> Run(const std::string& recipe) {
        parsed.push_back(kv::test::ParseUtf8Recipe(recipe));
        EXPECT_TRUE(parsed.back().errors.empty()) << recipe;
        std::vector<bool> answers;
        ISyntaxTreeNode* block = parsed.back().blocks.at(0).get();
        for (ISyntaxTreeNode* node : visitor->CollectNodes(block)) {
            answers.push_back(checker->Analyze(node, nullptr));
        }
        program = kv::test::Utf8(visitor->ToText(block));
        return answers;
    }

    std::vector<std::string> TakeErrors() { return kv::test::TakeErrorLines(host.log); }

    using Texts = std::vector<std::string>;

    FunctionHost host;
    std::vector<std::unique_ptr<RecipeFunction>> owned;
    std::unique_ptr<KvData> appData;
    std::unique_ptr<FunctionSemanticCodeAnalyze> checker;
    std::unique_ptr<ISyntaxTreeVisitor> visitor{newSyntaxTreeVistor(nullptr)};
    std::vector<ParsedRecipe> parsed;
    std::string program;
};

TEST_F(FunctionCheckerTest, ExaminesRecipeFunctionCallsOnceAtTheirFirstArgument) {
    // Unknown names, function number 0, an empty entry and a call without arguments are
    // left alone; the note argument (isEmpty) is never looked at.
    EXPECT_EQ(Run("heat(100, 1kg, x); unknown(1); zero(1); empty(1); heat()"),
              (std::vector<bool>{true, false, false, false, false, false, false}));
    EXPECT_EQ(program, "heat(100.000000, 1000.000000, x); unknown(1); zero(1); empty(1); heat()");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_FALSE(checker->GetNeedReSyntaxAnalyze());
}

TEST_F(FunctionCheckerTest, ReportsMissingDescriptorAndWrongArgumentCounts) {
    EXPECT_EQ(Run("x = 1; nodesc(1)"), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAtWithData 2002 1:8 "
                              "函数参数值描述表中没有找到函数--<nodesc>对应的函数值描述"});
    Run("x = 1; heat(1, 2)");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1002 1:8 参数个数错误"});
    // Five arguments do not make whole groups of two.
    Run("fill(米, 1kg, 米, 2kg, M01)");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1002 1:1 参数个数错误"});
    EXPECT_EQ(program, "fill(米, 1kg, 米, 2kg, M01)");
    // An array parameter without element parameters describes no argument.
    Run("mix(1)");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1002 1:1 参数个数错误"});
}

TEST_F(FunctionCheckerTest, ArrayParameterDescribesEveryGroupOfArguments) {
    Run("fill(米, 1kg, M01, 500g, 米, 2)");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(program, "fill(M01, 1000.000000, M01, 500.000000, M01, 2.000000)");
}

TEST_F(FunctionCheckerTest, StringsLoseTheirQuotesBeforeNullBecomesTheEmptyLiteral) {
    Run(R"(say("abc", "1", 2); say("NULL", "5", NuLl))");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(program, R"(say(abc, 1.000000, 2.000000); say("", 5.000000, ""))");
    // The messages sit at the call; the texts stay as written.
    Run("say(null, 1, 1)");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1001 1:1 参数错误：不是字符串类型!"});
    EXPECT_EQ(program, "say(null, 1, 1)");
    Run(R"(x = 1; say("", "1", 2))");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1003 1:8 参数不能为空"});
    EXPECT_EQ(program, R"(x = 1; say("", "1", 2))");
}

TEST_F(FunctionCheckerTest, UnknownBusinessTypeStopsTheCallWithoutPosition) {
    // The argument without a type is skipped, so #none is never looked up.
    Run("use(锅, #none, 2)");
    EXPECT_EQ(TakeErrors(), Texts{"ReportError 2002 业务类型名称<无此类型>在业务类型表中找不到!"});
    EXPECT_EQ(program, "use(R07, #none, 2)");
}

TEST_F(FunctionCheckerTest, AnEarlierErrorStopsLaterCallsAfterQuoteHandling) {
    EXPECT_EQ(Run(R"(heat(1, 2); say("x", "1", 1))"),
              (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1002 1:1 参数个数错误"});
    // Quote handling comes before the error test, so only the first argument loses quotes.
    EXPECT_EQ(program, R"(heat(1, 2); say(x, "1", 1))");
}

TEST_F(FunctionCheckerTest, DispatchFollowsTheParameterType) {
    // # for a number goes to the cooking-parameter check; for a string without scope to the
    // character check; a string with a scope is judged as a number.
    Run(R"(heat(#speed, 1kg, x); say("#speed+a", "3", #speed))");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(program, "heat(#speed#, 1000.000000, x); say(#$speed$#+a, 3.000000, #speed#)");
}

TEST_F(FunctionCheckerTest, ToleratesMissingNodesTokensAndData) {
    // A call whose first argument carries no token is examined, but has nothing to judge.
    std::unique_ptr<ISyntaxTreeNode> call(newSyntaxTreeNode(newToken("heat", 1, 1, 1, 4), nullptr));
    ISyntaxTreeNode* bare = newSyntaxTreeNode(nullptr, call.get());
    newSyntaxTreeNode(newToken("1kg", 9, 1, 1, 2), call.get());
    newSyntaxTreeNode(newToken("x", 14, 1, 1, 2), call.get());
    EXPECT_TRUE(checker->Analyze(bare, nullptr));
    EXPECT_FALSE(checker->Analyze(nullptr, nullptr));
    EXPECT_FALSE(checker->CheckKvFunction(nullptr));
    FunctionSemanticCodeAnalyze orphan(nullptr, nullptr);
    EXPECT_FALSE(orphan.Analyze(bare, nullptr));
    EXPECT_FALSE(orphan.CheckCookParFunPar(CFunPar(), nullptr, true));
    EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
