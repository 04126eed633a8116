// Tests of the VM variables' task lists and of the write-back of VM tables into the host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/KvData.h"
#include "tests/data/DataTestSupport.h"

namespace {

using kv::test::ExpectNoLog;
using kv::test::ExpectOnlyError;
using kv::test::kLc;
using kv::test::kVm;
using kv::test::TestData;
using Tasks = std::vector<std::string>;

// The belongTaskId lists of every variable, in table order.
std::vector<Tasks> TaskLists(const KvData& data) {
    std::vector<Tasks> lists;
    for (const CAppVmVariable& variable : data.appVariable) lists.push_back(variable.belongTaskId.items);
    return lists;
}

TEST(MakeVmAppVar, AVariableOfSeveralTasksBelongsToTheSmallestTaskKeyOnce) {
    TestData host;
    host.AddTable(kVm, "taskInfo",
                  R"({"t2": {"stepCount": 1, "varList": ["1.a", "abc"]},
                      "t1": {"stepCount": 1, "varList": ["1.a", "1.a"]}})");
    host.AddTable(kVm, "appVariable", R"([{"appKey": "1.a"}, {"appKey": "abc"}])");
    KvData data(&host);
    ExpectNoLog(host.log);
    // abc has no ".", but a task lists it, so its form is never examined.
    EXPECT_EQ(TaskLists(data), (std::vector<Tasks>{{"t1"}, {"t2"}}));
}

TEST(MakeVmAppVar, VariablesNoTaskListsTakeTheirObjectsTasks) {
    TestData host;
    host.AddTable(kVm, "taskInfo", R"({"t1": {"stepCount": 1, "varList": ["5.y"]}})");
    host.AddTable(kVm, "appVariable",
                  R"([{"appKey": "5.x"}, {"appKey": "-1.x"}, {"appKey": "5.y"}, {"appKey": "5."}])");
    host.AddTable(kVm, "appObject", R"({"5": {"taskIdList": ["t3", "t4"]}, "-1": null})");
    KvData data(&host);
    ExpectNoLog(host.log);
    EXPECT_EQ(TaskLists(data), (std::vector<Tasks>{{"t3", "t4"}, {}, {"t1"}, {"t3", "t4"}}));
}

TEST(MakeVmAppVar, TheObjectsListReplacesAndTheTaskKeyAppends) {
    KvData data(nullptr);
    data.taskInfo["t1"].varList.items = {"1.a"};
    data.appObject["2"].taskIdList.items = {"t7"};
    data.appVariable.items.resize(2);
    data.appVariable[0].appKey = "1.a";
    data.appVariable[0].belongTaskId.items = {"old"};
    data.appVariable[1].appKey = "2.b";
    data.appVariable[1].belongTaskId.items = {"old"};
    data.makeVmAppVar(nullptr);
    EXPECT_EQ(TaskLists(data), (std::vector<Tasks>{{"old", "t1"}, {"t7"}}));
}

TEST(MakeVmAppVar, AnUnknownObjectStopsTheWalkAndKeepsEarlierUpdates) {
    TestData host;
    host.AddTable(kVm, "appVariable",
                  R"([{"appKey": "5.x"}, {"appKey": "9.x"}, {"appKey": "5.z"}])");
    host.AddTable(kVm, "appObject", R"({"5": {"taskIdList": ["t3"]}})");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "应用变量数据错误：变量key<9.x>错误,对象id不存在");
    EXPECT_EQ(TaskLists(data), (std::vector<Tasks>{{"t3"}, {}, {}}));
}

TEST(MakeVmAppVar, AKeyWithoutObjectIdIsMalformed) {
    for (const char* key : {"abc", ".x", ""}) {
        TestData host;
        host.AddTable(kVm, "appVariable",
                      std::string(R"([{"appKey": ")") + key + R"("}, {"appKey": "-1.y"}])");
        KvData data(&host);
        ExpectOnlyError(host.log, "ReportErrorAt",
                        std::string("应用变量数据错误：变量key<") + key + ">格式错误");
    }
}

TEST(MakeVmAppVar, RunsAfterAStoppedLoadWithWhatWasLoaded) {
    TestData host;
    host.AddTable(kLc, "bsType", R"([{"name": "x"}])");
    host.AddTable(kVm, "appVariable", R"([{"appKey": "9.x"}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮输入数据错误:业务类型表中<x>对应的类型为空!");
    EXPECT_TRUE(data.appVariable.empty());
}

TEST(ChangeVmDataValue, WritesTheWholeTextIntoEveryRowOfTheTable) {
    TestData host;
    host.AddTable(kVm, "appPar", R"({"p": {}})");
    auto& taskTable = host.AddTable(kVm, "taskInfo");
    taskTable.AddRow("0", R"({"t1": {"stepCount": 1}})")
        .AddRow("1", R"({"t2": {"stepCount": 1}})")
        .AddRow("2", R"({"t3": {"stepCount": 1}})");
    auto& later = host.AddTable(kVm, "taskInfo", "later");
    auto& local = host.AddTable(kLc, "taskInfo", "local");
    KvData data(&host);
    const std::string json = data.taskInfo.ToJson();
    data.ChangeVmDataValue("taskInfo", "", json);
    for (const char* row : {"0", "1", "2"}) EXPECT_EQ(taskTable.RowText(row), json) << row;
    // Only the first table of that name in the VM database is written.
    EXPECT_EQ(later.RowText("0"), "later");
    EXPECT_EQ(local.RowText("0"), "local");
}

TEST(ChangeVmDataValue, StopsAtAnInvalidRowAndIgnoresUnknownTables) {
    TestData host;
    auto& table = host.AddTable(kVm, "appPar");
    table.AddRow("0", "a").AddRow("1", "b", false).AddRow("2", "c");
    KvData data(&host);
    data.ChangeVmDataValue("appPar", "", "{}");
    EXPECT_EQ(table.RowText("0"), "{}");
    EXPECT_EQ(table.RowText("2"), "c");
    data.ChangeVmDataValue("missing", "", "{}");
    EXPECT_EQ(table.RowText("2"), "c");

    TestData noVm;
    noVm.AddTable(kLc, "appPar", "x");
    KvData other(&noVm);
    other.ChangeVmDataValue("appPar", "", "{}");
    ExpectNoLog(noVm.log);
}

}  // namespace
