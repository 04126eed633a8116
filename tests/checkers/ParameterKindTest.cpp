// Parameter kind checks: numbers and ranges, choices and # references, codes, cooking parameters.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "checkers/FunctionSemanticCodeAnalyze.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

class ParameterKindTest : public ::testing::Test {
protected:
    ParameterKindTest() {
        const char* lc = "appParameterDataLc";
        host.AddTable(lc, "bsType", R"([{"name": "重量", "dataType": "number", "unit": "g"}])");
        host.AddTable(lc, "unit", R"([
            {"srcename": "kg", "base": "g", "ratio": 1000, "offset": 0},
            {"srcename": "g", "base": "g", "ratio": 1, "offset": 0}])");
        host.AddTable(lc, "ingredient", R"([{"code": "M01", "name": "米"}])");
        host.AddTable(lc, "resource", R"([{"code": "R07", "name": "锅"}])");
        host.AddTable(lc, "par", R"({"speed": ["1", "2"], "hot": ["50", "150"], "none": [],
                                     "a": [], "ab": [], "b": [], "odd": []})");
        host.AddTable("appParameterDataVm", "appPar", R"({
            "speed": {"attachKeys": [], "attachData": {"k1": {"src": "s", "dst": "low"},
                                                       "k2": {"src": "t", "dst": "3"}}},
            "odd": {"attachKeys": [], "attachData": {"k1": {"src": "s", "dst": "mid"}}}})");
        appData = std::make_unique<KvData>(&host);
        checker = std::make_unique<FunctionSemanticCodeAnalyze>(&host, appData.get());
        EXPECT_TRUE(kv::test::Errors(host.log).empty());
    }

    // An argument of a call f at line 2, column 5; the argument itself is at line 3, column 9,
    // so that call, argument and mixed positions differ.
    ISyntaxTreeNode* Arg(const std::string& text) {
        calls.emplace_back(newSyntaxTreeNode(newToken("f", 5, 2, 2, 4), nullptr));
        return newSyntaxTreeNode(newToken(kv::test::Host(text), 9, 3, 3, 2), calls.back().get());
    }

    static CFunPar Par(const std::string& dataType, std::vector<std::string> scope = {},
                       std::map<std::string, std::string> select = {}) {
        CFunPar p;
        p.name = "p";
        p.dataType = kv::test::Host(dataType);
        p.scope.items = std::move(scope);
        p.select.entries = std::move(select);
        return p;
    }

    using Check = bool (FunctionSemanticCodeAnalyze::*)(const CFunPar&, ISyntaxTreeNode*);
    // The argument's text after check ran on it, marked "failed " when the check failed.
    std::string After(Check check, const CFunPar& p, const std::string& text) {
        ISyntaxTreeNode* arg = Arg(text);
        const bool passed = (checker.get()->*check)(p, arg);
        return (passed ? "" : "failed ") + kv::test::Utf8(arg->GetToken()->GetText());
    }
    std::string AfterCookPar(const CFunPar& p, const std::string& text) {
        ISyntaxTreeNode* arg = Arg(text);
        const bool passed = checker->CheckCookParFunPar(p, arg, false);
        return (passed ? "" : "failed ") + kv::test::Utf8(arg->GetToken()->GetText());
    }

    std::vector<std::string> TakeErrors() { return kv::test::TakeErrorLines(host.log); }

    using Texts = std::vector<std::string>;
    const std::map<std::string, std::string> choices{{"high", "3"}, {"low", "1"}};

    kv::test::TestData host;
    std::unique_ptr<KvData> appData;
    std::unique_ptr<FunctionSemanticCodeAnalyze> checker;
    std::vector<std::unique_ptr<ISyntaxTreeNode>> calls;
};

using F = FunctionSemanticCodeAnalyze;

TEST_F(ParameterKindTest, NumbersAreConvertedPrintedAndRangeChecked) {
    const CFunPar percent = Par("number", {"0", "100"});
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, percent, "50"), "50.000000");
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, Par("重量"), "5kg"), "5000.000000");
    EXPECT_TRUE(TakeErrors().empty());

    // Messages sit at the argument's line and the call's column.
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, percent, "150"), "failed 150");
    EXPECT_EQ(TakeErrors(),
              Texts{"ReportErrorAt 1003 3:5 参数值:<150>的值不在正常范围内，必须在0-100范围内"});
    // The value is written with six significant digits.
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, percent, "1234567"), "failed 1234567");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1003 3:5 "
                                  "参数值:<1.23457e+06>的值不在正常范围内，必须在0-100范围内"});
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, percent, "\"50\""), "failed \"50\"");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1001 3:5 参数值类型错误:不应该是字符串！"});
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, Par("重量"), "5ml"), "failed 5ml");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1004 3:5 参数值或单位不正确！"});
    // A word is no number, not a zero.
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, percent, "abc"), "failed abc");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1004 3:5 参数值或单位不正确！"});
}

TEST_F(ParameterKindTest, MalformedScopesAreReportedWhateverTheValue) {
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, Par("number", {"1"}), "1"), "failed 1");
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, Par("number", {"0", "5", "9"}), "1"), "failed 1");
    const std::string bad = "ReportErrorAt 2002 3:5 餐饮应用数据函数参数值描述表中<p>的参数值描述范围不合法!";
    EXPECT_EQ(TakeErrors(), (Texts{bad, bad}));
    // A reversed range is the data layer's message alone.
    EXPECT_EQ(After(&F::CheckNumberTypeFunPar, Par("number", {"10", "1"}), "5"), "failed 5");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 2002 -1:-1 餐饮输入数据错误：参数范围有误"});
}

TEST_F(ParameterKindTest, CharacterChoicesAndEmbeddedReferences) {
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, Par("char", {}, choices), "low"), "1");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, Par("char", {}, choices), "mid"), "failed mid");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 1003 3:5 参数错误:不在值描述范围内!"});

    // Without choices every #piece is checked and marked where it stands; a piece ends at an
    // operator character or at the next #. Marking #a must not touch the later #ab.
    const CFunPar text = Par("string");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "plain"), "plain");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "a+#speed*2"), "a+#$speed$#*2");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "#a#b"), "#$a$##$b$#");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "#a+#ab"), "#$a$#+#$ab$#");
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "#a#ab"), "#$a$##$ab$#");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(After(&F::CheckCharTypeFunPar, text, "#a#"), "failed #");
    EXPECT_EQ(TakeErrors(), Texts{"ReportErrorAt 2001 2:5 烹饪变量名称为空!"});
}

TEST_F(ParameterKindTest, IngredientAndResourceNamesBecomeCodes) {
    EXPECT_EQ(After(&F::CheckMaterialTypeFunPar, Par("material-id"), "米"), "M01");
    EXPECT_EQ(After(&F::CheckMaterialTypeFunPar, Par("material-id"), "M01"), "M01");
    EXPECT_EQ(After(&F::CheckResTypeFunPar, Par("res-id"), "锅"), "R07");
    EXPECT_EQ(After(&F::CheckResTypeFunPar, Par("res-id"), "R07"), "R07");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(After(&F::CheckMaterialTypeFunPar, Par("material-id"), "R07"), "failed R07");
    EXPECT_EQ(After(&F::CheckResTypeFunPar, Par("res-id"), "M01"), "failed M01");
    EXPECT_EQ(TakeErrors(), (Texts{"ReportErrorAt 1003 2:5 参数值错误:不在物料范围内!",
                                   "ReportErrorAt 1003 2:5 参数值错误:不在资源范围内!"}));
}

TEST_F(ParameterKindTest, CookingParameterValuesAreTestedAgainstScopeOrChoices) {
    const CFunPar percent = Par("number", {"0", "100"});
    const CFunPar choice = Par("char", {}, choices);
    EXPECT_EQ(AfterCookPar(percent, "#speed"), "#speed#");
    EXPECT_EQ(AfterCookPar(percent, "#none"), "#none#");
    // With choices, the VM parameter's dst texts become stored choice values.
    EXPECT_EQ(AfterCookPar(choice, "#speed"), "#speed#");
    EXPECT_EQ(appData->appPar["speed"].attachData["k1"].dst, "1");
    EXPECT_EQ(appData->appPar["speed"].attachData["k2"].dst, "3");
    EXPECT_TRUE(TakeErrors().empty());

    // The failing list value stays in the token.
    EXPECT_EQ(AfterCookPar(percent, "#hot"), "failed 150");
    EXPECT_EQ(TakeErrors(),
              Texts{"ReportErrorAt 1003 3:5 参数值:<150>的值不在正常范围内，必须在0-100范围内"});
    EXPECT_EQ(AfterCookPar(choice, "#odd"), "failed #odd");
    EXPECT_EQ(AfterCookPar(choice, "#ab"), "failed #ab");
    EXPECT_EQ(AfterCookPar(percent, "#nope"), "failed #nope");
    EXPECT_EQ(AfterCookPar(percent, "#"), "failed #");
    EXPECT_EQ(TakeErrors(), (Texts{"ReportErrorAt 1003 3:9 参数错误:不在值描述范围内!",
                                   "ReportErrorAt 2001 2:5 烹饪变量<ab>在虚拟机应用参数表中找不到!",
                                   "ReportErrorAt 2001 2:5 烹饪变量<nope>在烹饪参数表中找不到!",
                                   "ReportErrorAt 2001 2:5 烹饪变量名称为空!"}));
}

TEST_F(ParameterKindTest, ACookingParameterThatPassedOneRangeIsStillTestedAgainstAnother) {
    const CFunPar wide = Par("number", {"0", "200"});
    EXPECT_EQ(AfterCookPar(wide, "#hot"), "#hot#");
    EXPECT_EQ(AfterCookPar(wide, "#hot"), "#hot#");
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(AfterCookPar(Par("number", {"0", "100"}), "#hot"), "failed 150");
    EXPECT_EQ(TakeErrors(),
              Texts{"ReportErrorAt 1003 3:5 参数值:<150>的值不在正常范围内，必须在0-100范围内"});
}

}  // namespace
