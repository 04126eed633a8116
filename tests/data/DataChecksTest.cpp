// Tests of the table checks: which problem is reported, on which channel, and where they stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/KvData.h"
#include "tests/data/DataTestSupport.h"

namespace {

using Brisk::RapidJsonHelper::JsonBase;
using kv::test::ExpectNoLog;
using kv::test::ExpectOnlyError;
using kv::test::TestData;

template <typename T>
T Parsed(const std::string& json) {
    T record;
    JsonBase::FromJson(&record, json);
    return record;
}

TEST(FunctionDescriptorCheck, NamesTheTableKeyOfTheFirstParameterWithoutName) {
    TestData host;
    const auto des = Parsed<CFunctionParasValueDes>(
        R"({"functionName": "炒", "par": [{"name": "a"}, {"name": ""}, {}],
            "arrayPar": {"name": "x", "par": [{}]}})");
    EXPECT_FALSE(des.CheckData(&host, "stir"));
    ExpectOnlyError(host.log, "ReportError", "表<functionParasValueDes>错误：函数<stir>的参数name未填写!");
}

TEST(FunctionDescriptorCheck, LooksAtTheArrayParameterOnlyWhenItHasAName) {
    TestData host;
    const auto unnamed = Parsed<CFunctionParasValueDes>(
        R"({"par": [{"name": "a"}], "arrayPar": {"par": [{"name": ""}]}})");
    EXPECT_TRUE(unnamed.CheckData(&host, "f"));
    ExpectNoLog(host.log);

    const auto named = Parsed<CFunctionParasValueDes>(
        R"({"arrayPar": {"name": "items", "par": [{"name": "m"}, {"name": ""}]}})");
    EXPECT_FALSE(named.CheckData(&host, "f"));
    ExpectOnlyError(host.log, "ReportError", "表<functionParasValueDes>错误：函数<f>的参数name未填写!");
}

TEST(FunctionDescriptorCheck, TheMapCheckStopsAtTheFirstKeyInOrder) {
    TestData host;
    std::map<std::string, CFunctionParasValueDes> descriptors;
    descriptors["b"] = Parsed<CFunctionParasValueDes>(R"({"par": [{}]})");
    descriptors["a"] = Parsed<CFunctionParasValueDes>(R"({"par": [{"name": "x"}]})");
    descriptors["c"] = Parsed<CFunctionParasValueDes>(R"({"par": [{}]})");
    EXPECT_FALSE(KvData::CheckFunparDesc(&host, descriptors));
    ExpectOnlyError(host.log, "ReportError", "表<functionParasValueDes>错误：函数<b>的参数name未填写!");
    EXPECT_TRUE(KvData::CheckFunparDesc(&host, {}));
}

TEST(MaterialCheck, ReportsOnlyTheFirstIngredientWithoutId) {
    TestData host;
    std::vector<CMaterial> materials(3);
    materials[0].code = "m0";
    materials[1].name = kv::test::Host("盐");
    materials[2].code = "a";
    EXPECT_FALSE(KvData::CheckMaterialData(&host, materials));
    ExpectOnlyError(host.log, "ReportError", "表<ingredient>错误：<盐的id未填写!");

    TestData clean;
    EXPECT_TRUE(KvData::CheckMaterialData(&clean, {}));
    ExpectNoLog(clean.log);
}

TEST(UnitCheck, ReportsTheOffsetBeforeTheRatio) {
    TestData host;
    EXPECT_FALSE(Parsed<CUnit>(R"({"srcename": "kg"})").CheckData(&host));
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮应用单位表中单位<kg>的偏移量格式不合法或未填写!");

    TestData ratio;
    EXPECT_FALSE(Parsed<CUnit>(R"({"srcename": "kg", "offset": 0})").CheckData(&ratio));
    ExpectOnlyError(ratio.log, "ReportErrorAt", "餐饮应用单位表中单位<kg>的换算系数格式不合法或未填写!");
}

TEST(UnitCheck, OnlyTheMissingValueIsRejected) {
    TestData host;
    EXPECT_TRUE(Parsed<CUnit>(R"({"ratio": 1, "offset": 0})").CheckData(&host));
    EXPECT_TRUE(Parsed<CUnit>(R"({"ratio": 0, "offset": -273.15})").CheckData(&host));
    EXPECT_TRUE(Parsed<CUnit>(R"({"ratio": 3.4e38, "offset": 1e38})").CheckData(&host));
    ExpectNoLog(host.log);
    // The sentinel written out is indistinguishable from no value.
    EXPECT_FALSE(Parsed<CUnit>(R"({"ratio": 3.4028235e38, "offset": 0})").CheckData(&host));
}

TEST(UnitCheck, TheListCheckStopsAtTheFirstBadUnit) {
    TestData host;
    std::vector<CUnit> units = {Parsed<CUnit>(R"({"srcename": "g", "ratio": 1, "offset": 0})"),
                                Parsed<CUnit>(R"({"srcename": "kg", "offset": 0})"),
                                Parsed<CUnit>(R"({"srcename": "t"})")};
    EXPECT_FALSE(KvData::CheckUnitData(&host, units));
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮应用单位表中单位<kg>的换算系数格式不合法或未填写!");
}

TEST(LogicCheck, ReportsTheFirstMissingNumber) {
    struct Case {
        const char* json;
        const char* message;
    };
    const std::vector<Case> cases = {
        {R"({})", "表<logicInfo>错误：logicNo不合法或未填写!"},
        {R"({"visibleStep": 1, "visibleId": 1, "materialList": [{}]})",
         "表<logicInfo>错误：logicNo不合法或未填写!"},
        {R"({"logicNo": 1, "visibleId": 1})", "表<logicInfo>错误：visibleStep不合法或未填写!"},
        {R"({"logicNo": 1, "visibleStep": 1})", "表<logicInfo>错误：visibleId不合法或未填写!"},
    };
    for (const Case& c : cases) {
        TestData host;
        EXPECT_FALSE(Parsed<CLogicInfo>(c.json).CheckData(&host)) << c.json;
        ExpectOnlyError(host.log, "ReportErrorAt", c.message);
    }
}

TEST(LogicCheck, ReportsTheFirstIncompleteIngredientWithTheLogicNumber) {
    TestData host;
    EXPECT_FALSE(Parsed<CLogicInfo>(
                     R"({"logicNo": -7, "visibleStep": 0, "visibleId": 0,
                         "materialList": [{}, {"name": "盐"}]})")
                     .CheckData(&host));
    ExpectOnlyError(host.log, "ReportErrorAt",
                    "表<logicInfo>错误：logicNo<-7> 中materialList的name不合法或未填写!");

    TestData quantity;
    EXPECT_FALSE(Parsed<CLogicInfo>(
                     R"({"logicNo": 12, "visibleStep": 0, "visibleId": 0,
                         "materialList": [{"name": "盐", "quantity": "5g"}, {"name": "糖"}]})")
                     .CheckData(&quantity));
    ExpectOnlyError(quantity.log, "ReportErrorAt",
                    "表<logicInfo>错误：logicNo<12> 中materialList的quantity不合法或未填写!");

    TestData clean;
    EXPECT_TRUE(Parsed<CLogicInfo>(R"({"logicNo": 1, "visibleStep": 1, "visibleId": 1})")
                    .CheckData(&clean));
    ExpectNoLog(clean.log);
}

TEST(TaskCheck, ReportsTheFirstTaskInKeyOrderWithoutStepCount) {
    TestData host;
    std::map<std::string, CAppVmTaskInfo> tasks;
    tasks["t9"] = CAppVmTaskInfo();
    tasks["t10"] = CAppVmTaskInfo();
    tasks["t1"].stepCount = 0;
    EXPECT_FALSE(KvData::CheckTaskInfo(&host, tasks));
    ExpectOnlyError(host.log, "ReportErrorAt", "表<taskInfo>错误：任务<t10>的stepCount不合法或未填写!");
}

}  // namespace
