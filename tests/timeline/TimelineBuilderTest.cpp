// The timeline read from a parsed recipe: worked out by hand on small recipes, and checked
// against the task table the library itself builds from the same recipe.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/WokFunctions.h"
#include "arbor/Arbor.h"
#include "host/BundleData.h"
#include "host/DiagnosticOutput.h"
#include "host/LogSink.h"
#include "host/RecipeDrive.h"
#include "host/timeline/TimelineBuilder.h"
#include "support/TestHost.h"

namespace {

using kv::test::TestData;
using kv::timeline::Lane;
using kv::timeline::Step;
using kv::timeline::Timeline;

std::vector<ISyntaxTreeNode*> Blocks(const ParsedRecipe& parsed) {
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    return blocks;
}

// The timeline of blocks, read before any analysis as kvc reads it.
Timeline Read(kv::host::BundleData& data, const std::vector<ISyntaxTreeNode*>& blocks) {
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    return kv::timeline::BuildTimeline(data, *visitor, blocks);
}

// One line a lane, step and timer; a step's commands as "#N trigger DEVICE.SENSOR" and
// "#N DEVICE.METHOD(NAME=VALUE, ...)" in command order.
std::vector<std::string> Describe(const Timeline& timeline) {
    std::vector<std::string> lines;
    for (const Lane& lane : timeline.lanes) {
        lines.push_back("lane " + lane.task);
        for (const Step& step : lane.steps) {
            std::string line = "step " + step.id + " line " + std::to_string(step.line) +
                               (step.start ? " at " + std::to_string(*step.start) : " untimed") +
                               " for " + std::to_string(step.length) + ":";
            std::vector<std::pair<int, std::string>> commands;
            for (const auto& trigger : step.triggers) {
                std::string text = " #" + std::to_string(trigger.command) + " trigger";
                for (const auto& sensor : trigger.sensors) {
                    text += " " + std::to_string(sensor.device) + "." + sensor.name;
                }
                commands.emplace_back(trigger.command, text);
            }
            for (const auto& output : step.outputs) {
                std::string text = " #" + std::to_string(output.command) + " " +
                                   std::to_string(output.device) + "." + output.method + "(";
                for (std::size_t i = 0; i < output.parameters.size(); ++i) {
                    text += (i > 0 ? ", " : "") + output.parameters[i].name + "=" +
                            output.parameters[i].value;
                }
                commands.emplace_back(output.command, text + ")");
            }
            std::sort(commands.begin(), commands.end());
            for (const auto& command : commands) line += command.second;
            lines.push_back(line);
        }
        for (const auto& timer : lane.timers) {
            lines.push_back("timer " + std::to_string(timer.number) + " line " +
                            std::to_string(timer.line) + " step " + std::to_string(timer.step) +
                            (timer.at ? " at " + std::to_string(*timer.at) : " untimed"));
        }
    }
    return lines;
}

// What the task table and the timeline have in common, one line a step and one a task's timers:
// "TASK ID for LENGTH: #N trigger DEVICE.SENSOR... #N DEVICE.METHOD(NAMES)" in command order,
// parameter names sorted (the table holds them in a map, and its values in the checkers' form).
std::vector<std::string> CommonLines(const Timeline& timeline) {
    std::vector<std::string> lines;
    for (const Lane& lane : timeline.lanes) {
        std::set<int> timers;
        for (const auto& timer : lane.timers) timers.insert(timer.number);
        for (const Step& step : lane.steps) {
            std::map<int, std::string> commands;
            for (const auto& trigger : step.triggers) {
                std::string& text = commands[trigger.command] = " trigger";
                for (const auto& sensor : trigger.sensors) {
                    text += " " + std::to_string(sensor.device) + "." + sensor.name;
                }
            }
            for (const auto& output : step.outputs) {
                std::set<std::string> names;
                for (const auto& parameter : output.parameters) names.insert(parameter.name);
                std::string& text = commands[output.command] =
                    " " + std::to_string(output.device) + "." + output.method + "(";
                for (const std::string& name : names) text += name + ",";
                text += ")";
            }
            std::string line =
                lane.task + " " + step.id + " for " + std::to_string(step.length) + ":";
            for (const auto& [number, text] : commands)
                line += " #" + std::to_string(number) + text;
            lines.push_back(line);
        }
        std::string line = lane.task + " timers";
        for (const int timer : timers) line += " " + std::to_string(timer);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> CommonLines(const rapidjson::Document& table) {
    std::map<std::string, const rapidjson::Value*> tasks;  // in task id order, as the lanes
    for (const auto& task : table.GetObject()) tasks[task.name.GetString()] = &task.value;
    std::vector<std::string> lines;
    for (const auto& [id, task] : tasks) {
        for (const auto& step : (*task)["step"].GetArray()) {
            std::map<int, std::string> commands;
            for (const auto& trigger : step["trigger"].GetArray()) {
                std::string& text = commands[std::stoi(trigger["cmdid"].GetString())] = " trigger";
                for (const auto& sensor : trigger["par"].GetArray()) {
                    text += std::string(" ") + sensor["devid"].GetString() + "." +
                            sensor["sensor"].GetString();
                }
            }
            for (const auto& output : step["output"].GetArray()) {
                std::string& text = commands[std::stoi(output["cmdid"].GetString())] =
                    std::string(" ") + output["devindex"].GetString() + "." +
                    output["method"].GetString() + "(";
                for (const auto& parameter : output["par"].GetObject()) {
                    text += std::string(parameter.name.GetString()) + ",";
                }
                text += ")";
            }
            std::string line =
                id + " " + step["id"].GetString() + " for " + step["time"].GetString() + ":";
            for (const auto& [number, text] : commands)
                line += " #" + std::to_string(number) + text;
            lines.push_back(line);
        }
        std::string line = id + " timers";
        for (const auto& timer : (*task)["timerId"].GetArray()) {
            line += " " + std::to_string(timer.GetInt());
        }
        lines.push_back(line);
    }
    return lines;
}

// Compiles blocks with the library into the task table only (the data must ask for that) and
// checks that the table has the steps, durations, commands and timers of the timeline.
void ExpectTaskTableAgrees(kv::host::BundleData& data, const std::vector<ISyntaxTreeNode*>& blocks,
                           const Timeline& timeline) {
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    ASSERT_TRUE(kv::host::DriveAnalyzer(data, *visitor, blocks));
    ASSERT_FALSE(data.GetLanguageDebug()->HasError());
    // The library writes the whole table back into the first row of the table it read.
    std::string json;
    for (IDataTable* read : data.GetDatabases().at("appParameterDataVm")) {
        if (read->GetName() == "taskInfo" && json.empty()) {
            json = kv::host::JsonFromHostText(
                read->GetRecords().begin()->second->GetField()->GetString());
        }
    }
    rapidjson::Document table;
    ASSERT_FALSE(table.Parse(json.c_str()).HasParseError()) << json;
    EXPECT_EQ(CommonLines(table), CommonLines(timeline));
}

// The wok's two tasks over lines 1 to 6, building the task table only.
void AddTwoTasks(TestData& data, const char* recipeVersion) {
    kv::test::AddWok(data);
    data.AddTable("appParameterDataLc", "appConfig",
                  std::string(R"({"recipeVersion":")") + recipeVersion + "\"}");
    data.AddTable("appParameterDataLc", "logicTaskRelated",
                  R"({"1":"t1","2":"t1","3":"t1","4":"t2","5":"t2","6":"t2"})");
    data.AddTable("appParameterDataVm", "taskInfo",
                  R"({"t1":{"stepCount":3},"t2":{"stepCount":4}})");
    data.AddTable("systemParameterDataLc", "compileConfigure",
                  R"([{"name":"VMAppFileType","description":"1"}])");
}

TEST(TimelineBuilder, StepsCommandsAndTimesAreTheTaskBuildersWithArgumentsAsWritten) {
    TestData data;
    AddTwoTasks(data, "2.3");
    const std::string recipe =
        "task_t1 = 1; heat(180, 30); starttimer(3)\n"
        "pot.temp >= 160 => task_t1 = 2; stir(40); heat(200, 60)\n"
        "time >= 300 => task_t1 = 3; stir(0)\n"
        "task_t2 = 1; wait(); stir(10)\n"
        "time >= 90 => task_t2 = 2; heat(0, 0); starttimer(1)\n"
        "time >= 150 => task_t2 = 4; stir(5)\n";
    const ParsedRecipe parsed = kv::test::ParseUtf8Recipe(recipe);
    const Timeline timeline = Read(data, Blocks(parsed));
    // t1: step 2 waits for the pot, so only its length is known (to the next step's 300 s);
    // the steps around it start at 0 (the first, waiting for nothing) and at 300, and the
    // task builder finds no end for either. t2: step 2's next number is missing, so it lasts
    // to the end of the run of time points from its line (150 s).
    EXPECT_EQ(Describe(timeline),
              (std::vector<std::string>{
                  "lane t1",
                  "step 1 line 1 at 0 for 0: #1 0.setHeat(temp=180, time=30)",
                  "step 2 line 2 untimed for 300: #2 trigger 0.temp #3 0.setHeat(temp=200, "
                  "time=60) #4 1.setSpeed(speed=40)",
                  "step 3 line 3 at 300 for 0: #5 1.setSpeed(speed=0)",
                  "timer 3 line 1 step 0 at 0",
                  "lane t2",
                  "step 1 line 4 at 0 for 90: #1 1.setSpeed(speed=10)",
                  "step 2 line 5 at 90 for 60: #2 0.setHeat(temp=0, time=0)",
                  "step 4 line 6 at 150 for 0: #3 1.setSpeed(speed=5)",
                  "timer 1 line 5 step 1 at 90",
              }));
    ExpectTaskTableAgrees(data, Blocks(parsed), timeline);
}

TEST(TimelineBuilder, RecipesBeforeVersion22MarkTheirStepsAmongTheConditions) {
    TestData data;
    AddTwoTasks(data, "2.1");
    const std::string recipe =
        "task_t1 == 1 => heat(1, 2)\n"
        "pot.temp >= 100, task_t1 == 2 => stir(3)\n"
        "task_t1 = 3; stir(4)\n"
        "pot.temp >= 50, task_t2 == 1 => stir(5)\n"
        "time >= 30, task_t2 == 2 => stir(6)\n";
    const ParsedRecipe parsed = kv::test::ParseUtf8Recipe(recipe);
    const Timeline timeline = Read(data, Blocks(parsed));
    // Line 3's marker is among the actions, where an old recipe has none: no step. The first
    // step of t2 waits for the pot, so its start is not known either.
    EXPECT_EQ(Describe(timeline),
              (std::vector<std::string>{
                  "lane t1",
                  "step 1 line 1 at 0 for 0: #1 0.setHeat(temp=1, time=2)",
                  "step 2 line 2 untimed for 0: #2 trigger 0.temp #3 1.setSpeed(speed=3)",
                  "lane t2",
                  "step 1 line 4 untimed for 30: #1 trigger 0.temp #2 1.setSpeed(speed=5)",
                  "step 2 line 5 at 30 for 0: #3 1.setSpeed(speed=6)",
              }));
    ExpectTaskTableAgrees(data, Blocks(parsed), timeline);
}

TEST(TimelineBuilder, StepsMergeAndTimersWithoutAStepFallBackOnTheirLine) {
    TestData data;
    AddTwoTasks(data, "2.3");
    data.AddFunction("mix", "mix", 4, 2, "wok.mixer.run");
    data.AddTable("appParameterDataLc", "functionParasValueDes",
                  R"({"mix":{"arrayPar":{"name":"steps","par":[{"name":"t"},{"name":"v"}]}}})");
    data.AddTable("appParameterDataLc", "logicTaskRelated", R"({"7":"t9","8":"t1"})");
    const std::string recipe =
        "task_t1 = 1; heat(1, 2); heat(3, 4)\n"
        "time >= 20 => task_t1 = 1; stir(5)\n"
        "time >= 40 => task_t1 = 2; starttimer(7)\n"
        "task_t2 = 3; wait(); starttimer(8)\n"
        "\n"
        "time >= 60 => task_t2 = 4; mix(1, 2, 3, 4)\n"
        "task_t9 = 1; stir(6)\n"
        "task_t1 = 5; starttimer(2)\n";
    const ParsedRecipe parsed = kv::test::ParseUtf8Recipe(recipe);
    const Timeline timeline = Read(data, Blocks(parsed));
    // Line 2 adds its call to the step of line 1, numbered on. Lines 3, 4 and 8 call no
    // device and build no step; their timers stand at the time point of their line, or in
    // no time. Task t9 has no place in the task table, and the array's parameter names repeat
    // over its arguments, the first value of each name kept.
    EXPECT_EQ(Describe(timeline),
              (std::vector<std::string>{
                  "lane t1",
                  "step 1 line 1 at 0 for 0: #1 0.setHeat(temp=3, time=4) #2 0.setHeat(temp=1, "
                  "time=2) #3 1.setSpeed(speed=5)",
                  "timer 7 line 3 step -1 at 40",
                  "timer 2 line 8 step -1 untimed",
                  "lane t2",
                  "step 4 line 6 at 60 for 0: #1 2.run(t=1, v=2)",
                  "timer 8 line 4 step -1 untimed",
              }));
    ExpectTaskTableAgrees(data, Blocks(parsed), timeline);
}

TEST(TimelineBuilder, TheExampleAgreesWithTheTaskTableTheLibraryBuilds) {
    auto loaded =
        kv::host::BundleData::Load(std::string(KV_SOURCE_DIR) + "/examples/braised-chicken/bundle");
    ASSERT_TRUE(loaded.Ok());
    kv::host::BundleData& data = *loaded.Value();
    std::ostringstream listing, diagnostics;
    kv::host::DiagnosticOutput output(diagnostics, {.maxErrors = 0, .sarif = {}});
    kv::host::LogSink log(listing, output, nullptr, "bundle");
    data.SetLanguageDebug(&log);
    // A later configuration row wins: the task table with its steps instead of the image.
    data.AddTable("systemParameterDataLc", "compileConfigure",
                  R"([{"name":"VMAppFileType","description":"1"}])");
    std::ifstream file(std::string(KV_SOURCE_DIR) + "/examples/braised-chicken/recipe.rcp",
                       std::ios::binary);
    const ParsedRecipe parsed =
        kv::test::ParseUtf8Recipe(std::string(std::istreambuf_iterator<char>(file), {}));
    ASSERT_TRUE(parsed.errors.empty());
    const Timeline timeline = Read(data, Blocks(parsed));
    ASSERT_EQ(timeline.lanes.size(), 3u);
    ExpectTaskTableAgrees(data, Blocks(parsed), timeline);
    EXPECT_EQ(diagnostics.str(), "");
}

}  // namespace
