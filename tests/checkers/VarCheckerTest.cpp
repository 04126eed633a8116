// The variable checker: operands judged against the variable's descriptor and rewritten.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "checkers/VarSemanticCodeAnalyze.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

using Errors = std::vector<std::string>;

// The log's errors as "code@line:column text"; every one must be a positioned level-3 error.
Errors ErrorsOf(const kv::host::LogSink& log) {
    Errors out;
    for (const kv::host::LogCall& call : kv::test::Errors(log)) {
        EXPECT_EQ(kv::test::OpName(call) + std::to_string(call.level), "ReportErrorAt3")
            << call.text;
        out.push_back(std::to_string(call.code) + "@" + std::to_string(call.line) + ":" +
                      std::to_string(call.column) + " " + call.text);
    }
    return out;
}

void Describe(KvData& app, const std::string& key, const std::string& name,
              const std::string& dataType, std::vector<std::string> scope,
              std::map<std::string, std::string> select = {}) {
    CVarValueDes& des = app.varValueDes[key];
    des.variableName = kv::test::Host(name);
    des.dataType = kv::test::Host(dataType);
    des.scope.items = std::move(scope);
    des.select.entries = std::move(select);
}

class VarChecker : public ::testing::Test {
protected:
    VarChecker() {
        CBsType& weight = app.bsType["weight"];
        weight.name = "weight";
        weight.unit = "g";
        for (const auto& [name, ratio] : {std::pair{"kg", 1000.0f}, std::pair{"g", 1.0f}}) {
            CUnit& unit = app.unit.items.emplace_back();
            unit.srcename = name;
            unit.base = "g";
            unit.ratio = ratio;
            unit.offset = 0.0f;
        }
        Describe(app, "oven.temp", "炉温", "number", {"0", "10"});
        Describe(app, "oven.load", "负载", "weight", {"0", "10000"});
        Describe(app, "oven.mode", "模式", "string", {}, {{"high", "3"}, {"low", "1"}});
        Describe(app, "oven.note", "备注", "char", {});
        Describe(app, "oven.label", "标签", "string", {});
        app.cookPar["speed"].items = {"10", "20"};
    }

    // Parses line and returns the operand of its last statement.
    ISyntaxTreeNode* Operand(const std::string& line) {
        recipes.push_back(kv::test::ParseUtf8Recipe(line));
        EXPECT_TRUE(recipes.back().errors.empty()) << line;
        return visitor->CollectNodes(recipes.back().blocks.at(0).get()).back();
    }
    // Offers the operand of line on a clean log; text receives the operand's text afterwards.
    bool Check(const std::string& line) {
        host.log.Forget();
        ISyntaxTreeNode* operand = Operand(line);
        const bool passed = checker.Analyze(operand, nullptr);
        text = operand->GetToken()->GetText();
        return passed;
    }
    Errors Reported() const { return ErrorsOf(host.log); }

    kv::test::TestData host;
    KvData app{nullptr};
    VarSemanticCodeAnalyze checker{&host, &app};
    std::unique_ptr<ISyntaxTreeVisitor> visitor{newSyntaxTreeVistor(&host)};
    std::vector<ParsedRecipe> recipes;
    std::string text;
};

TEST_F(VarChecker, NumbersAreConvertedRangeCheckedAndPrintedWithSixDecimals) {
    EXPECT_TRUE(Check("oven.temp = 5"));
    EXPECT_EQ(text, "5.000000");
    EXPECT_TRUE(Check("oven.load = 5kg"));
    EXPECT_EQ(text, "5000.000000");
    EXPECT_EQ(Reported(), Errors{});

    // At the variable; the value as the unit conversion left it.
    EXPECT_FALSE(Check("x > 1 => oven.temp = 20"));
    EXPECT_EQ(text, "20");
    EXPECT_EQ(Reported(), Errors{"1003@1:10 参数值:<20>的值不在正常范围内，必须在0-10范围内"});
    EXPECT_FALSE(Check("oven.load = 20kg"));
    EXPECT_EQ(text, "20kg");
    EXPECT_EQ(Reported(),
              Errors{"1003@1:1 参数值:<20000.000000>的值不在正常范围内，必须在0-10000范围内"});
    EXPECT_FALSE(Check("oven.load = 5ml"));
    EXPECT_EQ(Reported(), Errors{"1004@1:1 参数值:<5ml>的单位不正确!"});
    // A word is no number, not a zero; null still stands for one.
    EXPECT_FALSE(Check("oven.temp = abc"));
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(Reported(), Errors{"1004@1:1 参数值:<abc>的单位不正确!"});
    EXPECT_TRUE(Check("oven.temp = null"));
    EXPECT_EQ(text, "0.000000");

    // A bad scope: named by the descriptor's own name; reversed bounds are reported only once.
    app.varValueDes["oven.temp"].scope.items = {"5"};
    EXPECT_FALSE(Check("oven.temp = 5"));
    EXPECT_EQ(Reported(), Errors{"2002@1:1 餐饮应用数据变量描述表中<炉温>的变量值描述范围不合法!"});
    app.varValueDes["oven.temp"].scope.items = {"10", "1"};
    EXPECT_FALSE(Check("oven.temp = 5"));
    EXPECT_EQ(Reported(), Errors{"2002@-1:-1 餐饮输入数据错误：参数范围有误"});
}

TEST_F(VarChecker, StringsMustBeQuotedAndAChoiceBecomesItsQuotedStoredValue) {
    EXPECT_TRUE(Check(R"(oven.mode = "high")"));
    EXPECT_EQ(text, R"("3")");
    EXPECT_TRUE(Check(R"(oven.note = "abc")"));
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(Reported(), Errors{});

    EXPECT_FALSE(Check("oven.mode = high"));
    EXPECT_EQ(Reported(), Errors{"1001@1:1 变量<oven.mode>的值<high>不是字符串类型"});
    EXPECT_FALSE(Check(R"(oven.mode = "mid")"));
    EXPECT_EQ(text, R"("mid")");
    EXPECT_EQ(Reported(), Errors{R"(1003@1:1 变量<oven.mode>的值<"mid">不在正常范围内)"});

    // Too short is reported, and the check goes on.
    EXPECT_TRUE(Check(R"(oven.note = "")"));
    EXPECT_EQ(text, "");
    EXPECT_EQ(Reported(), Errors{"1003@1:1 参数值不正确：不是字符串类型或字符串为空"});
    EXPECT_FALSE(Check("oven.note = a"));
    EXPECT_EQ(Reported(), (Errors{"1003@1:1 参数值不正确：不是字符串类型或字符串为空",
                                  "1001@1:1 变量<oven.note>的值<a>不是字符串类型"}));
}

TEST_F(VarChecker, ACookingParameterReferenceIsCheckedAndBecomesItsVmForm) {
    Describe(app, "oven.speed", "速度", "number", {"0", "100"});
    EXPECT_TRUE(Check("oven.speed = #speed"));
    EXPECT_EQ(text, R"(GetParaVar("#speed#"))");
    EXPECT_TRUE(Check("oven.note = #speed"));
    EXPECT_EQ(text, R"(GetParaVar("#speed#"))");
    EXPECT_TRUE(Check("oven.label = #speed"));
    EXPECT_EQ(text, R"("#speed#")");
    EXPECT_EQ(Reported(), Errors{});

    EXPECT_FALSE(Check("oven.speed = #nosuch"));
    EXPECT_EQ(Reported(), Errors{"2001@1:1 烹饪变量<nosuch>在烹饪参数表中找不到!"});
    app.cookPar["speed"].items = {"10", "200"};
    EXPECT_FALSE(Check("oven.speed = #speed"));
    EXPECT_EQ(text, "#speed");
    EXPECT_EQ(Reported(), Errors{"1003@1:1 参数值:<200>的值不在正常范围内，必须在0-100范围内"});

    // With choices the VM parameter's values are mapped in place; earlier ones stay mapped.
    app.cookPar["mode"];
    app.cookPar["fire"];
    CAppVmPar& mode = app.appPar["mode"];
    mode.attachData["a"].dst = "high";
    EXPECT_TRUE(Check("oven.mode = #mode"));
    EXPECT_EQ(text, R"("#mode#")");
    EXPECT_EQ(mode.attachData["a"].dst, "3");
    EXPECT_FALSE(Check("oven.mode = #fire"));
    EXPECT_EQ(Reported(), Errors{"2001@1:1 烹饪变量<fire>在虚拟机应用参数表中找不到!"});
    mode.attachData["a"].dst = "low";
    mode.attachData["b"].dst = "mid";
    EXPECT_FALSE(Check("oven.mode = #mode"));
    EXPECT_EQ(mode.attachData["a"].dst, "1");
    EXPECT_EQ(Reported(), Errors{"1003@1:1 参数错误:不在值描述范围内!"});

    std::string bare = "#";
    host.log.Forget();
    EXPECT_FALSE(checker.CheckVarValue(
        Operand("oven.speed = 1")->GetParent()->GetChildren()[0]->GetToken(), bare));
    EXPECT_EQ(Reported(), Errors{"2001@1:1 烹饪变量不能为空!"});
}

TEST_F(VarChecker, OnlyTheOtherOperandOfADescribedVariableIsExaminedAndFlagged) {
    EXPECT_FALSE(Check("fan.speed = 3"));
    ISyntaxTreeNode* operand = Operand("oven.temp = 20");
    EXPECT_FALSE(checker.Analyze(nullptr, nullptr));
    EXPECT_FALSE(checker.Analyze(operand->GetParent()->GetParent(), nullptr));  // no token
    EXPECT_FALSE(checker.Analyze(operand->GetParent()->GetChildren()[0], nullptr));
    EXPECT_FALSE(VarSemanticCodeAnalyze(nullptr, &app).Analyze(operand, nullptr));
    EXPECT_EQ(Reported(), Errors{});

    // An unclassified word that passes (a text opened by a quote stands for 0 to a plain number
    // variable) asks for a new syntax pass; a failure leaves the flag, the next literal that
    // passes clears it.
    app.varValueDes["oven.temp"].scope.items = {};
    EXPECT_TRUE(Check("oven.temp = \"a\"b"));
    EXPECT_EQ(text, "0.000000");
    EXPECT_TRUE(checker.GetNeedReSyntaxAnalyze());
    EXPECT_FALSE(Check(R"(oven.mode = "mid")"));
    EXPECT_TRUE(checker.GetNeedReSyntaxAnalyze());
    EXPECT_TRUE(Check("oven.temp = 5"));
    EXPECT_FALSE(checker.GetNeedReSyntaxAnalyze());

    // The operator is not looked at: a two-argument call led by a variable counts, three
    // arguments do not. Reports use the variable's end line.
    app.varValueDes["oven.temp"].scope.items = {"0", "10"};
    std::unique_ptr<ISyntaxTreeNode> call(newSyntaxTreeNode(newToken("heat", 1, 2, 2, 4), nullptr));
    newSyntaxTreeNode(newToken("oven.temp", 6, 2, 3, kv::TokenType::Name), call.get());
    ISyntaxTreeNode* value = newSyntaxTreeNode(newToken("20", 17, 3, 3, 2), call.get());
    host.log.Forget();
    EXPECT_FALSE(checker.Analyze(value, nullptr));
    EXPECT_EQ(Reported(), Errors{"1003@3:6 参数值:<20>的值不在正常范围内，必须在0-10范围内"});
    newSyntaxTreeNode(newToken("7", 21, 3, 3, 2), call.get());
    host.log.Forget();
    EXPECT_FALSE(checker.Analyze(value, nullptr));
    EXPECT_EQ(Reported(), Errors{});
}

}  // namespace
