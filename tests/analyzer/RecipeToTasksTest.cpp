// A recipe driven through createObject as a host drives it, down to the task table it writes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "analyzer/WokFunctions.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/RecipeDrive.h"

namespace {

using kv::test::TestData;

TEST(RecipeToTasks, TwoTasksGiveStepsTimersAndFormattedCalls) {
    TestData data;
    kv::test::AddWok(data);
    data.AddTable("appParameterDataLc", "appConfig", R"({"recipeVersion":"2.3"})");
    data.AddTable("appParameterDataLc", "ingredient",
                  R"([{"code":"m1","name":"盐"},{"code":"m2","name":"油"}])");
    data.AddTable("appParameterDataLc", "logicTaskRelated",
                  R"({"1":"t1","2":"t1","3":"t2","4":"t2"})");
    data.AddTable("appParameterDataLc", "logicInfo",
                  R"([{"logicNo":2,"visibleStep":5,"visibleId":205,"materialList":[)"
                  R"({"name":"盐","quantity":"#salt"},{"name":"油","quantity":"10g"}]}])");
    auto& taskInfo = data.AddTable("appParameterDataVm", "taskInfo",
                                   R"({"t1":{"stepCount":2,"timerId":[9]},"t2":{"stepCount":2}})");
    data.AddTable("systemParameterDataLc", "compileConfigure",
                  R"([{"name":"VMAppFileType","description":"1"}])");
    ParsedRecipe recipe = kv::test::ParseUtf8Recipe(
        "task_t1 = 1; heat(180, 30); starttimer(3)\n"
        "pot.temp >= 160 => task_t1 = 2; stir(40); heat(200, 60); starttimer(1); starttimer(3)\n"
        "task_t2 = 1; wait(); stir(10)\n"
        "time >= 90 => task_t2 = 2; heat(0, 0)\n");
    ASSERT_TRUE(recipe.errors.empty());
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : recipe.blocks) blocks.push_back(block.get());

    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    ASSERT_TRUE(kv::host::DriveAnalyzer(data, *visitor, blocks));

    EXPECT_TRUE(kv::test::Errors(data.log).empty());
    std::vector<std::string> program;
    for (ISyntaxTreeNode* block : blocks) program.push_back(kv::test::Utf8(visitor->ToText(block)));
    const std::vector<std::string> expectedProgram = {
        R"(task_t1 = 1; heat("t1,{"temp":"180","time":"30"}"); starttimer(3))",
        R"(pot.temp >= 160 => task_t1 = 2; stir("t1,{"speed":"40"}"); )"
        R"(heat("t1,{"temp":"200","time":"60"}"); starttimer(1); starttimer(3))",
        R"(task_t2 = 1; wait("t2"); stir("t2,{"speed":"10"}"))",
        R"(超时 >= 90 => task_t2 = 2; heat("t2,{"temp":"0","time":"0"}"))",
    };
    EXPECT_EQ(program, expectedProgram);

    // Task tables only: steps with their durations and the timers started, no image.
    EXPECT_EQ(data.Stored().at("appParameterDataVm").at("recipeVersion")->GetText(), "\"2.3\"");
    EXPECT_EQ(data.Stored().at("appParameterDataVm").count("binBytes"), 0u);
    EXPECT_EQ(
        taskInfo.RowText("0"),
        R"({"t2":{"stepCount":2,"timerId":[],"varList":[],"step":[)"
        R"({"id":"1","visibleStep":1,"visibleId":1,"time":"90","output":[)"
        R"({"cmdid":"1","method":"setSpeed","devindex":"1","par":{"speed":"10"}}],)"
        R"("trigger":[],"ingredient":[]},)"
        R"({"id":"2","visibleStep":1,"visibleId":2,"time":"0","output":[)"
        R"({"cmdid":"2","method":"setHeat","devindex":"0","par":{"temp":"0","time":"0"}}],)"
        R"("trigger":[],"ingredient":[]}]},)"
        R"("t1":{"stepCount":2,"timerId":[1,3],"varList":[],"step":[)"
        R"({"id":"1","visibleStep":1,"visibleId":1,"time":"0","output":[)"
        R"({"cmdid":"1","method":"setHeat","devindex":"0","par":{"temp":"180","time":"30"}}],)"
        R"("trigger":[],"ingredient":[]},)"
        R"({"id":"2","visibleStep":5,"visibleId":205,"time":"0","output":[)"
        R"({"cmdid":"3","method":"setHeat","devindex":"0","par":{"temp":"200","time":"60"}},)"
        R"({"cmdid":"4","method":"setSpeed","devindex":"1","par":{"speed":"40"}}],)"
        R"("trigger":[{"cmdid":"2","method":"StepTrigger","par":[{"devid":"0","sensor":"temp"}]}],)"
        R"("ingredient":[{"ssnid":"m1","vol":"#salt#"},{"ssnid":"m2","vol":"10g"}]}]}})");
}

}  // namespace
