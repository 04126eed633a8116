// Tests of the VM records' JSON forms: write orders, read rules and read/write asymmetries.
#include <gtest/gtest.h>

#include <string>

#include "support/TestHost.h"
#include "vm/KvAppVmData.h"

using Brisk::RapidJsonHelper::JsonBase;

namespace {

template <typename Record>
Record Parse(const std::string& json) {
    Record record;
    EXPECT_TRUE(JsonBase::FromJson(&record, json)) << json;
    return record;
}

}  // namespace

TEST(VmJson, TriggerReadsCmdIdButWritesCmdid) {
    EXPECT_EQ(Parse<CTriggerItem>(R"({"cmdId":"x"})").ToJson(),
              R"({"cmdid":"x","method":"","par":[]})");
    EXPECT_EQ(Parse<CTriggerItem>(R"({"cmdid":"x"})").cmdid, "");
    const CTriggerItem full = Parse<CTriggerItem>(
        R"({"method":"m","par":[{"sensor":"s","devid":"d","x":1}],"cmdId":"c"})");
    EXPECT_EQ(full.ToJson(),
              R"({"cmdid":"c","method":"m","par":[{"devid":"d","sensor":"s"}]})");
}

TEST(VmJson, StepWritesItsKeysInFixedOrderAndReadsAllSeven) {
    const std::string text =
        R"({"ingredient":[{"vol":"2","ssnid":"s1"}],"trigger":[],"time":"30",)"
        R"("output":[{"par":{"b":"2","a":"1"},"devindex":"0","method":"heat","cmdid":"5"}],)"
        R"("visibleId":4,"visibleStep":3,"id":"7","logicNo":9})";
    const CStepInfo step = Parse<CStepInfo>(text);
    EXPECT_EQ(step.logicNo, 0);  // no JSON key
    EXPECT_EQ(step.ToJson(),
              R"({"id":"7","visibleStep":3,"visibleId":4,"time":"30",)"
              R"("output":[{"cmdid":"5","method":"heat","devindex":"0","par":{"a":"1","b":"2"}}],)"
              R"("trigger":[],"ingredient":[{"ssnid":"s1","vol":"2"}]})");
}

TEST(VmJson, TaskLosesTaskIdAndStepsOnTheWayBack) {
    CAppVmTaskInfo task;
    task.taskId = "t1";
    task.stepCount = 2;
    task.timerId.push_back(1);
    task.timerId.push_back(2);
    task.varList.push_back("v");
    CStepInfo step;
    step.id = "1";
    task.step.push_back(step);
    const std::string written = task.ToJson();
    EXPECT_EQ(written,
              R"({"stepCount":2,"timerId":[1,2],"varList":["v"],"step":[{"id":"1",)"
              R"("visibleStep":0,"visibleId":0,"time":"","output":[],"trigger":[],"ingredient":[]}]})");

    const CAppVmTaskInfo back = Parse<CAppVmTaskInfo>(written);
    EXPECT_EQ(back.taskId, "");
    EXPECT_TRUE(back.step.empty());
    EXPECT_EQ(back.stepCount, 2);
    EXPECT_EQ(back.timerId.items, (std::vector<int>{1, 2}));
}

TEST(VmJson, VariableWritesBelongTaskIdButNeverReadsIt) {
    const CAppVmVariable v = Parse<CAppVmVariable>(
        R"({"eventType":1,"belongTaskId":["t1"],"defaultValue":"0","dataType":2,"appKey":"k"})");
    EXPECT_TRUE(v.belongTaskId.empty());
    EXPECT_EQ(v.ToJson(),
              R"({"appKey":"k","dataType":2,"defaultValue":"0","eventType":1,"belongTaskId":[]})");
}

TEST(VmJson, WrongTypesAndNonObjectsLeaveFieldsAsTheyWere) {
    // A float or a string is no step count: the sentinel stays.
    EXPECT_EQ(Parse<CAppVmTaskInfo>(R"({"stepCount":3.0})").stepCount, kVmIntUnset);
    EXPECT_EQ(Parse<CAppVmTaskInfo>(R"({"stepCount":"3"})").stepCount, kVmIntUnset);
    EXPECT_EQ(Parse<CAppVmTaskInfo>(R"({"stepCount":4294967296})").stepCount, kVmIntUnset);
    EXPECT_EQ(Parse<CAppVmTaskInfo>(R"([{"stepCount":3}])").stepCount, kVmIntUnset);
    // Keys are case-sensitive; a key given twice ends with the later value.
    const CAppVmVariable v =
        Parse<CAppVmVariable>(R"({"AppKey":"x","appKey":"a","appKey":"b","dataType":true})");
    EXPECT_EQ(v.appKey, "b");
    EXPECT_EQ(v.dataType, 0);
}

TEST(VmJson, ParameterAndDataSetRoundTripInTheirWriteOrder) {
    const std::string par =
        R"({"key":"p","attachKeys":["x","y"],"attachData":{"a":["1"],"b":[]}})";
    EXPECT_EQ(Parse<CAppVmParBin>(par).ToJson(), par);
    EXPECT_EQ(Parse<CAppVmDefaultData>(R"({"defaultData":{"b":"2","a":"1"}})").ToJson(),
              R"({"defaultData":{"a":"1","b":"2"}})");

    const KvVmData data = Parse<KvVmData>(
        R"({"expandContent":[5,4],"defaultData":{"d":"1"},"appPar":[{"key":"p"}],)"
        R"("appTask":[{"stepCount":1}],"appVariable":[{"appKey":"k"}]})");
    EXPECT_EQ(data.ToJson(),
              R"({"appVariable":[{"appKey":"k","dataType":0,"defaultValue":"","eventType":0,)"
              R"("belongTaskId":[]}],"appTask":[{"stepCount":1,"timerId":[],"varList":[],"step":[]}],)"
              R"("appPar":[{"key":"p","attachKeys":[],"attachData":{}}],"defaultData":{"d":"1"},)"
              R"("expandContent":[5,4]})");
}

TEST(VmTaskCheck, MissingStepCountReportsError2002ForThatTask) {
    kv::test::TestData host;
    CAppVmTaskInfo task;
    EXPECT_FALSE(task.CheckData(&host, "t9"));
    const auto errors = kv::test::Errors(host.log);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(kv::test::OpName(errors[0]), "ReportErrorAt");
    EXPECT_EQ(errors[0].code, 2002);
    EXPECT_EQ(errors[0].line, -1);
    EXPECT_EQ(errors[0].column, -1);
    EXPECT_EQ(errors[0].level, 3);
    EXPECT_EQ(errors[0].text, "表<taskInfo>错误：任务<t9>的stepCount不合法或未填写!");
    EXPECT_EQ(task.stepCount, kVmIntUnset);

    task.stepCount = 0;
    EXPECT_TRUE(task.CheckData(&host, "t9"));
    task.stepCount = -1;
    EXPECT_TRUE(task.CheckData(&host, "t9"));
    EXPECT_EQ(host.log.Calls().size(), 1u);
}
