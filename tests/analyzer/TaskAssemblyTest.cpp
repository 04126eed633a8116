// Steps moved into their tasks with their durations.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analyzer/KvSemanticAnalyzer.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

using Steps = std::vector<std::pair<std::string, std::string>>;  // id, time

class TaskAssembly : public ::testing::Test {
protected:
    void SetUp() override {
        data.AddTable("appParameterDataVm", "taskInfo",
                      R"({"t1":{"stepCount":2},"t2":{"stepCount":3},"t3":{"stepCount":2},)"
                      R"("t4":{"stepCount":3}})");
        analyzer = std::make_unique<KvSemanticAnalyzer>(&data);
    }
    void AddStep(const std::string& task, const std::string& id, int logicNo) {
        CStepInfo step;
        step.id = id;
        step.logicNo = logicNo;
        analyzer->steps[task + "." + id] = step;
    }
    Steps StepsOf(const std::string& task) {
        Steps steps;
        for (const CStepInfo& step : analyzer->appData->taskInfo[task].step) {
            steps.emplace_back(step.id, step.time);
        }
        return steps;
    }

    kv::test::TestData data;
    std::unique_ptr<KvSemanticAnalyzer> analyzer;
};

TEST_F(TaskAssembly, AStepLastsUntilTheNextStepOrTheEndOfItsRunOfTimes) {
    analyzer->appData->logicTimeMap = {{10, 100}, {15, 150}, {20, 300},            // t1
                                       {30, 5},   {31, 7},   {32, 12},  {34, 40},  // t2
                                       {40, 500}, {41, 450},                       // t3
                                       {50, 10},  {51, 30},  {55, 1},   {56, 4},  {70, 100}};
    AddStep("t1", "1", 10);
    AddStep("t1", "2", 20);
    AddStep("t2", "1", 30);  // last of t2 on its own: runs 30..32, 34 is past a gap
    AddStep("t3", "1", 40);
    AddStep("t3", "2", 41);
    AddStep("t3", "9", 60);  // no time at all
    // Step numbers at and past the int range have no next step.
    AddStep("t4", "2147483647", 50);
    AddStep("t4", "99999999999", 55);
    AddStep("t4", "1", 70);
    AddStep("t9", "1", 30);  // a task the table does not know
    analyzer->AddStep2TaskInfo();

    EXPECT_EQ(StepsOf("t1"), (Steps{{"1", "200"}, {"2", "0"}}));
    EXPECT_EQ(StepsOf("t2"), (Steps{{"1", "7"}}));
    EXPECT_EQ(StepsOf("t3"), (Steps{{"1", "0"}, {"2", "0"}, {"9", "0"}}));
    EXPECT_EQ(StepsOf("t4"), (Steps{{"1", "0"}, {"2147483647", "20"}, {"99999999999", "3"}}));
    EXPECT_EQ(analyzer->appData->taskInfo.count("t9"), 0u);
    EXPECT_EQ(analyzer->steps["t9.1"].time, "7");

    int time = -1;
    EXPECT_FALSE(analyzer->FindLogicTime(11, &time));
    EXPECT_EQ(time, 0);
}

TEST_F(TaskAssembly, StepsAreOrderedByNumberAndTimersReplaceTheTablesOwn) {
    AddStep("t1", "10", 1);
    AddStep("t1", "2", 2);
    AddStep("t1", "9", 3);
    analyzer->AddStep2TaskInfo();
    EXPECT_EQ(StepsOf("t1"), (Steps{{"2", "0"}, {"9", "0"}, {"10", "0"}}));

    analyzer->appData->taskInfo["t2"].timerId.push_back(8);
    analyzer->taskTimers = {{"t1", {3, 1}}, {"t7", {5}}};
    analyzer->MakeAppVmTaskInfo();
    EXPECT_EQ(analyzer->appData->taskInfo["t1"].timerId.items, (std::vector<int>{1, 3}));
    EXPECT_TRUE(analyzer->appData->taskInfo["t2"].timerId.empty());
    EXPECT_EQ(analyzer->appData->taskInfo.count("t7"), 0u);
}

}  // namespace
