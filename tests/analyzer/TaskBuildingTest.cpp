// Timers, step names, triggers and outputs, and call formatting on parsed recipes.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "analyzer/KvSemanticAnalyzer.h"
#include "analyzer/WokFunctions.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "checkers/FunctionSemanticCodeAnalyze.h"
#include "checkers/TimePointSemanticCodeAnalyze.h"
#include "checkers/VarSemanticCodeAnalyze.h"
#include "data/KvData.h"

namespace {

using Error = std::tuple<int, int, int, std::string>;  // code, line, column, text

class TaskBuilding : public ::testing::Test {
protected:
    void SetUp() override {
        kv::test::AddWok(data);
        data.AddTable("appParameterDataLc", "appConfig", R"({"recipeVersion":"2.3"})");
        data.AddTable("appParameterDataLc", "logicTaskRelated", R"({"1":"t1","2":"t1","3":"t2"})");
    }

    // The analyzer, made on first use so that a test can add tables before it loads them.
    KvSemanticAnalyzer& Analyzer() {
        if (!analyzer) {
            analyzer = std::make_unique<KvSemanticAnalyzer>(&data);
            // Steps are kept for a compile into the task table (file type other than 0) only,
            // and these tests look into them.
            analyzer->appData->vmAppFileType = 1;
        }
        return *analyzer;
    }
    // The blocks of text, kept alive by the fixture; lines count from 1 in every text.
    std::vector<ISyntaxTreeNode*> Parse(const std::string& text) {
        ParsedRecipe recipe = kv::test::ParseUtf8Recipe(text);
        EXPECT_TRUE(recipe.errors.empty());
        std::vector<ISyntaxTreeNode*> parsed;
        for (auto& block : recipe.blocks) {
            parsed.push_back(block.get());
            blocks.push_back(std::move(block));
        }
        return parsed;
    }
    std::vector<ISyntaxTreeNode*> Nodes(ISyntaxTreeNode* block) {
        return Analyzer().treeVisitor->CollectNodes(block);
    }
    std::string Text(ISyntaxTreeNode* block) {
        return kv::test::Utf8(Analyzer().treeVisitor->ToText(block));
    }
    std::vector<Error> Errors() {
        std::vector<Error> errors;
        for (const auto& call : kv::test::Errors(data.log)) {
            errors.emplace_back(call.code, call.line, call.column, call.text);
        }
        return errors;
    }
    // The call node of the first argument of block.
    ISyntaxTreeNode* FirstCall(ISyntaxTreeNode* block) { return Nodes(block)[0]->GetParent(); }

    kv::test::TestData data;
    std::unique_ptr<KvSemanticAnalyzer> analyzer;
    std::vector<std::unique_ptr<ISyntaxTreeNode>> blocks;
};

TEST_F(TaskBuilding, HandsOutTheThreeCheckersInOrder) {
    std::vector<ISemanticGenerator*> checkers;
    Analyzer().GetAppSemanticAnalyzers(checkers);
    ASSERT_EQ(checkers.size(), 3u);
    EXPECT_NE(dynamic_cast<FunctionSemanticCodeAnalyze*>(checkers[0]), nullptr);
    EXPECT_NE(dynamic_cast<VarSemanticCodeAnalyze*>(checkers[1]), nullptr);
    EXPECT_NE(dynamic_cast<TimePointSemanticCodeAnalyze*>(checkers[2]), nullptr);
    for (ISemanticGenerator* checker : checkers) delete checker;
}

TEST_F(TaskBuilding, TimersAreKeptOncePerTaskUntilATimerCallCannotBeRead) {
    auto b = Parse(
        "task_t1 = 1; starttimer(3); STARTTIMER(3); StartTimer(5)\n"
        "starttimer(); starttimer(7)\n"
        "starttimer(x); starttimer(2)\n"
        "starttimer(99999999999); starttimer(4)\n");
    Analyzer().appData->logicTaskRelated["4"] = "t2";
    for (ISyntaxTreeNode* block : b) analyzer->AddTaskTimerId(block);
    EXPECT_EQ(analyzer->taskTimers, (std::map<std::string, std::set<int>>{{"t1", {3, 5}}}));
    EXPECT_EQ(Errors(), (std::vector<Error>{{2003, 2, 1, "函数<starttimer>的参数为空!"},
                                            {1003, 4, 1, "定时器编号<99999999999>超出范围!"}}));
}

TEST_F(TaskBuilding, ATimerOnAnUnmappedLineIsReportedOnceAndFiledUnderNoTask) {
    auto b = Parse("\n\n\n\nstarttimer(4, 5)\nstarttimer(6)\n");
    Analyzer().appData->logicTaskRelated["6"] = "";
    // The first block is listed twice: itself and its actions section.
    std::vector<ISyntaxTreeNode*> listed = {b[0], b[1], b[0]->GetChildren()[1]};
    analyzer->AppParamDataVmPro(listed);
    EXPECT_EQ(analyzer->taskTimers, (std::map<std::string, std::set<int>>{{"", {4, 6}}}));
    EXPECT_EQ(Errors(), (std::vector<Error>{{2002, -1, -1, "逻辑编号<5>找不到对应的表号"},
                                            {2002, -1, -1, "逻辑编号<6>的任务id为空"}}));
}

TEST(VersionCompare, ComparesNumberByNumberOverTheShorterVersion) {
    const std::vector<std::pair<std::string, std::vector<int>>> splits = {
        {"2.2", {2, 2}},
        {"1..2", {1, 0, 2}},
        {"", {0}},
        {"3a.x", {3, 0}},
        {"99999999999.1", {INT_MAX, 1}}};
    for (const auto& [text, numbers] : splits) {
        std::vector<int> out;
        splitToInt(text, &out);
        EXPECT_EQ(out, numbers) << text;
    }
    EXPECT_EQ(compareVersion("2.1", "2.2"), -1);
    EXPECT_EQ(compareVersion("2.2", "2.2.5"), 0);
    EXPECT_EQ(compareVersion("3", "2.9"), 1);
    EXPECT_EQ(compareVersion("2.10", "2.2"), 1);
    // A piece past the int range stays larger instead of wrapping.
    EXPECT_EQ(compareVersion("4294967298", "3"), 1);
}

TEST_F(TaskBuilding, AStepNameComesFromTheFirstUnrecordedMarkerOfItsSection) {
    auto b = Parse(
        "task_t1 = 3; task_t1 = 4\n"
        "task_t2 = 5; task_t1 = 6\n"
        "task_t2 == 7 => task_t2 = 8\n");
    Analyzer().MakeStepNo(b[0]);
    analyzer->MakeStepNo(b[0]);
    analyzer->MakeStepNo(b[1]);
    EXPECT_EQ(analyzer->stepNames, (std::unordered_map<int, std::string>{{1, "3"}, {2, "6"}}));

    // Recipes older than 2.2 carry the marker in the conditions.
    analyzer->appData->recipeVersion = "2.1";
    analyzer->MakeStepNo(b[2]);
    EXPECT_EQ(analyzer->stepNames[3], "7");
}

TEST_F(TaskBuilding, AStepCollectsSensorsAndCallsNumberedAfterTheTaskCounter) {
    data.AddMidVariable("pot.level", 2, "wok.sensor.level");
    data.AddMidVariable("pot.idle", -1, "wok.sensor.idle");
    auto b = Parse(
        "pot.temp > 1, pot.level < 9, pot.idle > 0 => task_t1 = 4; heat(180, 30); wait(); "
        "stir(20)\n");
    Analyzer().MakeStepNo(b[0]);
    analyzer->taskTriggerCount["t1"] = 4;
    analyzer->MakeTriggerAndOutPut(Nodes(b[0]));
    ASSERT_EQ(analyzer->steps.count("t1.4"), 1u);
    const CStepInfo& step = analyzer->steps["t1.4"];
    EXPECT_EQ(step.logicNo, 1);
    EXPECT_EQ(
        step.ToJson(),
        R"({"id":"4","visibleStep":1,"visibleId":4,"time":"","output":[)"
        R"({"cmdid":"6","method":"setSpeed","devindex":"1","par":{"speed":"20"}},)"
        R"({"cmdid":"7","method":"setHeat","devindex":"0","par":{"temp":"180","time":"30"}}],)"
        R"("trigger":[{"cmdid":"5","method":"StepTrigger","par":[)"
        R"({"devid":"0","sensor":"temp"},{"devid":"2","sensor":"level"}]}],"ingredient":[]})");
    EXPECT_EQ(analyzer->taskTriggerCount["t1"], 7);

    // The same step built again adds its commands to the first one's.
    analyzer->MakeTriggerAndOutPut(Nodes(b[0]));
    EXPECT_EQ(step.trigger.size(), 2u);
    EXPECT_EQ(step.trigger[1].cmdid, "8");
    ASSERT_EQ(step.output.size(), 4u);
    EXPECT_EQ(step.output[3].cmdid, "10");
    EXPECT_EQ(analyzer->taskTriggerCount["t1"], 10);
}

TEST_F(TaskBuilding, CallsWhoseNameAndColumnReadAlikeGiveAnOutputEach) {
    data.AddFunction("stir1", "stir1", 4, 2, "wok.stirrer2.setSpeed");
    auto b = Parse("stir1(2); stir(3); task_t1 = 1\n");
    KvData& app = *Analyzer().appData;
    app.funParValueDes["stir1"] = app.funParValueDes["stir"];
    analyzer->MakeStepNo(b[0]);
    analyzer->MakeTriggerAndOutPut(Nodes(b[0]));
    ASSERT_EQ(analyzer->steps.count("t1.1"), 1u);
    EXPECT_EQ(analyzer->steps["t1.1"].output.size(), 2u);
}

TEST_F(TaskBuilding, IngredientsComeFromTheLogicTable) {
    data.AddTable("appParameterDataLc", "ingredient",
                  R"([{"code":"m1","name":"盐"},{"code":"m2","name":"油"}])");
    data.AddTable("appParameterDataLc", "logicInfo",
                  R"([{"logicNo":1,"visibleStep":2,"visibleId":7,"materialList":[)"
                  R"({"name":"盐","quantity":"#a"},{"name":"油","quantity":"#a#"},)"
                  R"({"name":"盐","quantity":"5"},{"name":"油","quantity":"a#b"}]},)"
                  R"({"logicNo":2,"visibleStep":1,"visibleId":1,"materialList":[)"
                  R"({"name":"糖","quantity":"5"}]}])");
    auto b = Parse("task_t1 = 1; stir(1)\ntask_t1 = 2; stir(2)\n");
    for (ISyntaxTreeNode* block : b) {
        Analyzer().MakeStepNo(block);
        analyzer->MakeTriggerAndOutPut(Nodes(block));
    }
    const CStepInfo& step = analyzer->steps["t1.1"];
    EXPECT_EQ(step.ingredient.ToJson(), R"([{"ssnid":"m1","vol":"#a#"},{"ssnid":"m2","vol":"#a#"},)"
                                        R"({"ssnid":"m1","vol":"5"},{"ssnid":"m2","vol":"a#b"}])");
    EXPECT_EQ(step.visibleStep, 2);
    EXPECT_EQ(step.visibleId, 7);
    // An unknown ingredient stores nothing and gives out no command number.
    EXPECT_EQ(analyzer->steps.count("t1.2"), 0u);
    EXPECT_EQ(analyzer->taskTriggerCount["t1"], 1);
    EXPECT_EQ(
        Errors(),
        (std::vector<Error>{
            {2002, -1, -1, "餐饮输入数据错误：表<logicInfo>中食材/配料<糖>没有找到食材/配料id"}}));
}

TEST_F(TaskBuilding, AStepWithABadCallOrWithoutAStepNameIsNotStored) {
    auto b = Parse("task_t1 = 1; heat(180)\ntask_t1 = 2; boil(1)\n\nstir(1)\n");
    data.AddFunction("boil", "boil", 5, 3, "wok.boiler.run");
    for (ISyntaxTreeNode* block : {b[0], b[1]}) {
        Analyzer().MakeStepNo(block);
        analyzer->MakeTriggerAndOutPut(Nodes(block));
    }
    analyzer->MakeTriggerAndOutPut(Nodes(b[2]));  // line 4 belongs to no task
    EXPECT_TRUE(analyzer->steps.empty());
    EXPECT_TRUE(analyzer->taskTriggerCount.empty());
    EXPECT_EQ(Errors(), (std::vector<Error>{
                            {1002, 1, 14, "参数个数错误"},
                            {2002, 2, 14, "餐饮输入数据错误：函数<boil>找不到对应的参数值描述"}}));
    // Looking line 4 up does not add it to the logic-task table.
    EXPECT_EQ(analyzer->appData->logicTaskRelated.count("4"), 0u);
}

TEST_F(TaskBuilding, AnImageCompileMakesEveryCheckOfAStepButKeepsNone) {
    data.AddTable("appParameterDataLc", "logicInfo",
                  R"([{"logicNo":3,"visibleStep":1,"visibleId":1,"materialList":[)"
                  R"({"name":"糖","quantity":"5"}]}])");
    data.AddFunction("boil", "boil", 5, 3, "wok.boiler.run");
    auto b = Parse(
        "task_t1 = 1; heat(180)\n"
        "task_t1 = 2; boil(1)\n"
        "task_t2 = 3; stir(1)\n"
        "task_t1 = 4; stir(2); heat(1, 2)\n");
    Analyzer().appData->vmAppFileType = 0;
    analyzer->appData->logicTaskRelated["4"] = "t1";
    for (ISyntaxTreeNode* block : b) {
        analyzer->MakeStepNo(block);
        analyzer->MakeTriggerAndOutPut(Nodes(block));
    }
    EXPECT_EQ(analyzer->stepNames.size(), 4u);
    EXPECT_TRUE(analyzer->steps.empty());
    EXPECT_TRUE(analyzer->taskTriggerCount.empty());
    EXPECT_EQ(
        Errors(),
        (std::vector<Error>{
            {1002, 1, 14, "参数个数错误"},
            {2002, 2, 14, "餐饮输入数据错误：函数<boil>找不到对应的参数值描述"},
            {2002, -1, -1, "餐饮输入数据错误：表<logicInfo>中食材/配料<糖>没有找到食材/配料id"}}));
}

TEST_F(TaskBuilding, ADeviceCallWithAnArrayParameterTakesItsArgumentsInGroups) {
    data.AddFunction("mix", "mix", 6, 2, "wok.mixer.run");
    data.AddTable("appParameterDataLc", "functionParasValueDes",
                  R"({"mix":{"par":[],"arrayPar":{"name":"steps","displayname":"S",)"
                  R"("type":"list","par":[{"name":"t"},{"name":"v"}]}}})");
    auto b = Parse("task_t1 = 1; mix(1, 2, 3, 4)\ntask_t1 = 2; mix(1, 2, 3)\n");
    for (ISyntaxTreeNode* block : b) {
        Analyzer().MakeStepNo(block);
        analyzer->MakeTriggerAndOutPut(Nodes(block));
    }
    ASSERT_EQ(analyzer->steps.count("t1.1"), 1u);
    // Each element name keeps the value of its first group.
    EXPECT_EQ(analyzer->steps["t1.1"].output[0].ToJson(),
              R"({"cmdid":"1","method":"run","devindex":"2","par":{"t":"1","v":"2"}})");
    EXPECT_EQ(analyzer->steps.count("t1.2"), 0u);
    EXPECT_EQ(Errors(), (std::vector<Error>{{1002, 2, 14, "参数个数错误"}}));
}

TEST_F(TaskBuilding, CallsAreFormattedIntoTheirTaskAndJson) {
    auto b = Parse("task_t1 = 1; wait(); heat(180, \"\"); starttimer(2)\n");
    Analyzer().FormatKvFunPar(Nodes(b[0]));
    EXPECT_EQ(Text(b[0]),
              R"(task_t1 = 1; wait("t1"); heat("t1,{"temp":"180","time":""}"); starttimer(2))");
    IToken* added = Nodes(b[0])[2]->GetToken();  // wait's new argument
    EXPECT_EQ(std::make_tuple(added->GetType(), added->GetLine(), added->GetColumn()),
              std::make_tuple(kv::TokenType::Literal, 1, 14));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TaskBuilding, FormattingStopsAtTheFirstCallItCannotFormat) {
    auto b = Parse(
        "task_t1 = 1; heat(); stir(3)\n"
        "heat(1, 2, 3); stir(4)\n"
        "boil(1); stir(5)\n"
        "\n"
        "stir(6)\n");
    for (ISyntaxTreeNode* block : b) Analyzer().FormatKvFunPar(Nodes(block));
    EXPECT_EQ(Text(b[0]), "task_t1 = 1; heat(); stir(3)");
    EXPECT_EQ(Text(b[1]), R"(heat("t1,"); stir("t1,{"speed":"4"}"))");
    EXPECT_EQ(FirstCall(b[1])->GetChildren().size(), 1u);
    EXPECT_EQ(Text(b[2]), "boil(1); stir(5)");
    EXPECT_EQ(Text(b[3]), "stir(6)");
    EXPECT_EQ(Errors(), (std::vector<Error>{
                            {1002, 1, 14, "参数不能为空"},
                            {1002, 2, 1, "参数个数错误"},
                            {2002, 3, 1, "餐饮输入数据错误：函数<boil>找不到对应的参数值描述"},
                            {2002, -1, -1, "逻辑编号<5>找不到对应的表号"}}));
}

TEST_F(TaskBuilding, AnArgumentEmptiedBeforeItsCallIsFormattedIsGoneFromTheCount) {
    auto b = Parse("heat(1, 2)\n");
    Nodes(b[0])[0]->GetToken()->SetText("");
    Analyzer().FormatKvFunPar(Nodes(b[0]));
    EXPECT_EQ(Text(b[0]), R"(heat("t1,"))");
    EXPECT_EQ(Errors(), (std::vector<Error>{{1002, 1, 1, "参数个数错误"}}));
}

TEST_F(TaskBuilding, JsonOfArrayDescriptorsAndDescriptorFaults) {
    auto b = Parse("f(1, 2, 3, 4)\nf(1, 2, 3)\n");
    CFunctionParasValueDes array;
    array.arrayPar.name = "steps";
    array.arrayPar.displayname = "S";
    array.arrayPar.type = "list";
    array.arrayPar.par.push_back(CFunPar{});
    array.arrayPar.par.push_back(CFunPar{});
    array.arrayPar.par[0].name = "t";
    array.arrayPar.par[1].name = "v";
    EXPECT_EQ(
        Analyzer().MakeJsonPar(FirstCall(b[0]), array),
        R"({"steps":{"displayname":"S","type":"list","array":[{"t":"1","v":"2"},{"t":"3","v":"4"}]}})");
    EXPECT_EQ(analyzer->MakeJsonPar(FirstCall(b[1]), array), "");
    // An empty literal stays one JSON string, as in the plain form.
    auto empty = Parse("f(\"\", 1)\n");
    EXPECT_EQ(analyzer->MakeJsonPar(FirstCall(empty[0]), array),
              R"({"steps":{"displayname":"S","type":"list","array":[{"t":"","v":"1"}]}})");
    array.arrayPar.par.clear();
    EXPECT_EQ(analyzer->MakeJsonPar(FirstCall(b[0]), array), "");

    CFunctionParasValueDes plain;
    plain.par.push_back(CFunPar{});
    plain.par.push_back(CFunPar{});
    plain.par.push_back(CFunPar{});
    plain.par[0].name = "a";
    EXPECT_EQ(analyzer->MakeJsonPar(FirstCall(b[1]), plain), "");
    EXPECT_EQ(Errors(), (std::vector<Error>{{1002, 2, 1, "参数个数错误"},
                                            {1002, 1, 1, "参数个数错误"},
                                            {2002, 2, 1, "第2个参数描述值为空"}}));
}

TEST_F(TaskBuilding, ALongArgumentListIsFormattedIntoOneArgument) {
    std::string call = "fill(0";
    for (int i = 1; i < 20000; ++i) call += ", " + std::to_string(i);
    auto b = Parse(call + ")\n");
    CFunctionParasValueDes des;
    des.arrayPar.name = "all";
    des.arrayPar.par.push_back(CFunPar{});
    des.arrayPar.par[0].name = "n";
    Analyzer().appData->funParValueDes["fill"] = des;
    analyzer->FormatKvFunPar(Nodes(b[0]));
    const std::vector<ISyntaxTreeNode*>& arguments = FirstCall(b[0])->GetChildren();
    ASSERT_EQ(arguments.size(), 1u);
    const std::string text = arguments[0]->GetToken()->GetText();
    EXPECT_EQ(text.substr(0, 53), R"("t1,{"all":{"displayname":"","type":"","array":[{"n":)");
    EXPECT_EQ(text.substr(text.size() - 17), R"({"n":"19999"}]}}")");
}

TEST_F(TaskBuilding, AfterAnErrorStepsAreBuiltButCallsKeepTheirArguments) {
    auto b = Parse("task_t1 = 1; heat(180, 30)\n");
    data.log.ReportError(2002, "an earlier error", 3);
    Analyzer().EndAnalyze(b[0]);
    EXPECT_EQ(analyzer->steps.count("t1.1"), 1u);
    EXPECT_EQ(Text(b[0]), "task_t1 = 1; heat(180, 30)");
}

}  // namespace
