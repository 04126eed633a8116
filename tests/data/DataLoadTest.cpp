// Tests of KvData's loading: every table, split tables, the stop rule, configuration.
#include <gtest/gtest.h>

#include <string>

#include "data/KvData.h"
#include "tests/data/DataTestSupport.h"

namespace {

using kv::test::ExpectNoLog;
using kv::test::ExpectOnlyError;
using kv::test::kLc;
using kv::test::kSystem;
using kv::test::kVm;
using kv::test::TestData;

TEST(KvDataLoad, FillsEveryTableFromItsDocument) {
    TestData host;
    host.AddTable(kLc, "appConfig", R"({"recipeVersion": "3.1", "other": "x", "n": 5})");
    host.AddTable(kLc, "functionParasValueDes",
                  R"({"加热": {"functionName": "heat", "par": [{"name": "temp"}]}})");
    host.AddTable(kLc, "variableValueDes", R"({"火力": {"dataType": "level"}})");
    host.AddTable(kLc, "ingredient", R"([{"code": "m1", "name": "盐"}])");
    host.AddTable(kLc, "resource", R"([{"code": "r1", "name": "锅"}])");
    host.AddTable(kLc, "oral", R"([{"id": "o1", "value": 3}])");
    host.AddTable(kLc, "bsType", R"([{"name": "温度", "dataType": "number", "unit": "℃"}])");
    host.AddTable(kLc, "unit", R"([{"srcename": "kg", "base": "g", "ratio": 1000, "offset": 0}])");
    host.AddTable(kLc, "par", R"({"speed": ["1", "2"]})");
    host.AddTable(kLc, "logicTaskRelated", R"({"3": "t1"})");
    host.AddTable(kLc, "logicInfo", R"([{"logicNo": 3, "visibleStep": 1, "visibleId": 2}])");
    host.AddTable(kVm, "appPar", R"({"p1": {"attachKeys": ["k"]}})");
    host.AddTable(kVm, "taskInfo", R"({"t1": {"stepCount": 2, "varList": ["1.a"]}})");
    host.AddTable(kVm, "appVariable", R"([{"appKey": "1.a", "dataType": 1}])");
    host.AddTable(kVm, "defaultData", R"({"d": "0"})");
    host.AddTable(kVm, "expandContent", R"([1, 2, "x", 3])");
    host.AddTable(kVm, "appObject", R"({"1": {"taskIdList": ["t1"]}})");

    KvData data(&host);

    ExpectNoLog(host.log);
    EXPECT_EQ(data.GetRecipeVersion(), "3.1");
    EXPECT_EQ(data.GetAppConfig().size(), 2u);  // the number is no text
    EXPECT_EQ(data.GetFunParValueDes().entries.at(kv::test::Host("加热")).par[0].name, "temp");
    EXPECT_EQ(data.GetVarValueDes().entries.at(kv::test::Host("火力")).dataType, "level");
    EXPECT_EQ(data.GetMaterial(),
              (std::map<std::string, std::string>{{kv::test::Host("盐"), "m1"}}));
    EXPECT_EQ(data.GetResource(),
              (std::map<std::string, std::string>{{kv::test::Host("锅"), "r1"}}));
    EXPECT_EQ(kv::test::Utf8(data.GetBsType().at(kv::test::Host("温度")).unit), "℃");
    ASSERT_EQ(data.GetUnit().size(), 1u);
    EXPECT_EQ(data.GetUnit()[0].ratio, 1000.0f);
    EXPECT_EQ(data.GetOral()[0].value, 3.0f);
    EXPECT_EQ(data.GetCookPar().entries.at("speed").size(), 2u);
    EXPECT_EQ(data.GetLogicTaskRelated().at("3"), "t1");
    EXPECT_EQ(data.GetLogicInfoMap().at(3).visibleId, 2);
    EXPECT_TRUE(data.appPar.writeKeysDescending);
    EXPECT_TRUE(data.taskInfo.writeKeysDescending);
    EXPECT_EQ(data.taskInfo.entries.at("t1").stepCount, 2);
    EXPECT_EQ(data.defaultData.entries.at("d"), "0");
    EXPECT_EQ(data.expandContent.items, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(data.appObject.entries.at("1").taskIdList.size(), 1u);
    ASSERT_EQ(data.appVariable.size(), 1u);
    EXPECT_EQ(data.appVariable[0].belongTaskId.items, (std::vector<std::string>{"t1"}));
    EXPECT_EQ(data.vmAppFileType, 0);
    EXPECT_TRUE(data.logicTimeMap.empty());
}

TEST(KvDataLoad, SplitTablesAccumulateRowByRow) {
    TestData host;
    host.AddTable(kLc, "oral").AddRow("0", R"([{"id": "a"}])").AddRow("1", R"([{"id": "b"}])");
    host.AddTable(kLc, "appConfig")
        .AddRow("0", R"({"x": "1", "y": "1"})")
        .AddRow("1", R"({"y": "2"})");
    KvData data(&host);
    ExpectNoLog(host.log);
    ASSERT_EQ(data.oral.size(), 2u);
    EXPECT_EQ(data.oral[1].id, "b");
    EXPECT_EQ(data.GetAppConfig(), (std::map<std::string, std::string>{{"x", "1"}, {"y", "2"}}));
}

TEST(KvDataLoad, RecipeVersionDefaultsOnlyWhenTheLoadCompletes) {
    TestData complete;
    complete.AddTable(kLc, "appConfig", R"({"version": "1"})");
    EXPECT_EQ(KvData(&complete).GetRecipeVersion(), "2.0");

    TestData stopped;
    stopped.AddTable(kLc, "appConfig", R"({"recipeVersion": "3.1"})");
    stopped.AddTable(kLc, "oral").AddRow("0", "", false);
    EXPECT_EQ(KvData(&stopped).GetRecipeVersion(), "");
    ExpectOnlyError(stopped.log, "ReportErrorAt", "表<oral>数据错误！！！");
}

TEST(KvDataLoad, AStopKeepsWhatWasLoadedAndLeavesEverythingLaterEmpty) {
    TestData host;
    host.AddTable(kLc, "ingredient", R"([{"code": "m1", "name": "盐"}])");
    host.AddTable(kLc, "resource")
        .AddRow("0", R"([{"code": "r1", "name": "锅"}, {"code": "", "name": "铲"},
                         {"code": "r3", "name": "碗"}])")
        .AddRow("1", R"([{"code": "r4", "name": "勺"}])");
    host.AddTable(kLc, "oral", R"([{"id": "o1"}])");
    host.AddTable(kVm, "taskInfo", R"({"t1": {"stepCount": 1}})");
    host.AddTable(kSystem, "compileConfigure", R"([{"name": "VMAppFileType", "description": "1"}])");

    KvData data(&host);

    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮输入数据错误:资源表中<铲>对应的id为空!");
    EXPECT_EQ(data.ingredient.size(), 1u);
    EXPECT_EQ(data.resource, (std::map<std::string, std::string>{{kv::test::Host("锅"), "r1"}}));
    EXPECT_TRUE(data.oral.empty());
    EXPECT_TRUE(data.taskInfo.empty());
    EXPECT_EQ(data.vmAppFileType, 0);
    EXPECT_EQ(data.recipeVersion, "");
}

// An unusable row stops the load in every table; it is reported so that the empty tables it
// leaves behind never pass for a successful compilation.
TEST(KvDataLoad, AnUnusableRowStopsTheLoadAndIsReported) {
    TestData host;
    host.AddTable(kVm, "appVariable")
        .AddRow("0", R"([{"appKey": "-1.a"}])")
        .AddRow("1", "[]", false)
        .AddRow("2", R"([{"appKey": "-1.b"}])");
    host.AddTable(kVm, "defaultData", R"({"d": "0"})");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "表<appVariable>数据错误！！！");
    EXPECT_EQ(data.appVariable.size(), 1u);
    EXPECT_TRUE(data.defaultData.empty());

    TestData descriptors;
    descriptors.AddTable(kLc, "functionParasValueDes")
        .AddRow("0", R"({"f": {"par": [{"name": "a"}]}})")
        .AddRow("1", "", false);
    descriptors.AddTable(kLc, "oral", R"([{"id": "o1"}])");
    KvData described(&descriptors);
    ExpectOnlyError(descriptors.log, "ReportErrorAt", "表<functionParasValueDes>数据错误！！！");
    EXPECT_EQ(described.funParValueDes.size(), 1u);
    EXPECT_TRUE(described.oral.empty());
}

TEST(KvDataLoad, AFailedDescriptorRowStaysLoadedAndStopsTheLoad) {
    TestData host;
    host.AddTable(kLc, "functionParasValueDes")
        .AddRow("0", R"({"f": {"par": [{"name": "a"}]}})")
        .AddRow("1", R"({"h": {"par": [{"name": ""}]},
                         "g": {"functionName": "炒", "par": [{"name": "a"}, {"name": ""}]}})")
        .AddRow("2", R"({"k": {}})");
    host.AddTable(kLc, "oral", R"([{"id": "o1"}])");
    KvData data(&host);
    // g comes before h in key order; the message names the key, not functionName.
    ExpectOnlyError(host.log, "ReportError", "表<functionParasValueDes>错误：函数<g>的参数name未填写!");
    EXPECT_EQ(data.funParValueDes.size(), 3u);
    EXPECT_EQ(data.funParValueDes.count("k"), 0u);
    EXPECT_TRUE(data.oral.empty());
}

TEST(KvDataLoad, IngredientsKeepTheFirstCodeAndABadRowStoresNothing) {
    TestData host;
    host.AddTable(kLc, "ingredient")
        .AddRow("0", R"([{"code": "m1", "name": "盐"}, {"code": "m2", "name": "盐"}])")
        .AddRow("1", R"([{"code": "m3", "name": "盐"}, {"code": "m4", "name": "糖"}])")
        .AddRow("2", R"([{"code": "m5", "name": "醋"}, {"code": "", "name": "油"},
                         {"code": "", "name": "酱"}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportError", "表<ingredient>错误：<油的id未填写!");
    EXPECT_EQ(data.GetMaterial(), (std::map<std::string, std::string>{
                                      {kv::test::Host("盐"), "m1"}, {kv::test::Host("糖"), "m4"}}));
}

TEST(KvDataLoad, KnownResourceAndBusinessTypeNamesAreSkippedEvenWhenIncomplete) {
    TestData host;
    host.AddTable(kLc, "resource")
        .AddRow("0", R"([{"code": "r1", "name": "锅"}])")
        .AddRow("1", R"([{"code": "", "name": "锅"}, {"code": "r2", "name": "锅"}])");
    host.AddTable(kLc, "bsType",
                  R"([{"name": "温度", "dataType": "number", "unit": "℃"},
                      {"name": "温度", "dataType": "", "unit": "K"},
                      {"name": "时间", "dataType": ""}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮输入数据错误:业务类型表中<时间>对应的类型为空!");
    EXPECT_EQ(data.resource.at(kv::test::Host("锅")), "r1");
    ASSERT_EQ(data.bsType.size(), 1u);
    EXPECT_EQ(kv::test::Utf8(data.bsType.at(kv::test::Host("温度")).unit), "℃");
}

TEST(KvDataLoad, UnitNamesOfDigitsAreCheckedAfterTheWholeUnitTable) {
    // The digit-only name comes first, but the missing offset of the later row is found first.
    TestData host;
    host.AddTable(kLc, "unit")
        .AddRow("0", R"([{"srcename": "123", "ratio": 1, "offset": 0}])")
        .AddRow("1", R"([{"srcename": "kg", "ratio": 1000}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮应用单位表中单位<kg>的偏移量格式不合法或未填写!");
    EXPECT_EQ(data.unit.size(), 2u);

    TestData digits;
    digits.AddTable(kLc, "unit")
        .AddRow("0", R"([{"srcename": "g", "ratio": 1, "offset": 0}])")
        .AddRow("1", R"([{"srcename": "123", "ratio": 1, "offset": 0}])");
    digits.AddTable(kLc, "par", R"({"speed": []})");
    KvData stopped(&digits);
    ExpectOnlyError(digits.log, "ReportErrorAt", "单位名称<123>错误:单位名不能是纯数字！");
    EXPECT_EQ(stopped.unit.size(), 2u);
    EXPECT_TRUE(stopped.cookPar.empty());

    TestData secondName;
    secondName.AddTable(kLc, "unit",
                        R"([{"srcename": "kg", "srccname": "123", "ratio": 1, "offset": 0}])");
    KvData named(&secondName);
    ExpectOnlyError(secondName.log, "ReportErrorAt", "单位名称<kg>错误:单位名不能是纯数字！");
}

TEST(KvDataLoad, LogicEntriesAreCheckedOneByOneAndKeyedByLogicNumber) {
    TestData host;
    host.AddTable(kLc, "logicInfo",
                  R"([{"logicNo": 3, "visibleStep": 1, "visibleId": 1},
                      {"logicNo": 3, "visibleStep": 2, "visibleId": 2},
                      {"logicNo": 4, "visibleStep": 1, "visibleId": 1,
                       "materialList": [{"name": "盐"}]},
                      {"logicNo": 5, "visibleStep": 1, "visibleId": 1}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt",
                    "表<logicInfo>错误：logicNo<4> 中materialList的quantity不合法或未填写!");
    ASSERT_EQ(data.logicInfo.size(), 1u);
    EXPECT_EQ(data.logicInfo.at(3).visibleStep, 2);
}

TEST(KvDataLoad, ASplitTaskTableIsCheckedWithTheEntriesOfBothRows) {
    TestData host;
    host.AddTable(kVm, "taskInfo")
        .AddRow("0", R"({"t2": {"stepCount": 1}, "t5": {"stepCount": 1}})")
        .AddRow("1", R"({"t1": {"stepCount": 1}, "t2": {"stepCount": "3"}, "t3": {}})");
    host.AddTable(kVm, "appObject", R"({"1": {}})");
    KvData data(&host);
    // t2, replaced by the second row, is the first task in key order without a step count.
    ExpectOnlyError(host.log, "ReportErrorAt", "表<taskInfo>错误：任务<t2>的stepCount不合法或未填写!");
    EXPECT_EQ(data.taskInfo.size(), 4u);
    EXPECT_EQ(data.taskInfo.entries.at("t2").stepCount, kAppIntUnset);
    EXPECT_TRUE(data.appObject.empty());

    TestData valid;
    valid.AddTable(kVm, "taskInfo")
        .AddRow("0", R"({"t2": {"stepCount": 1}})")
        .AddRow("1", R"({"t1": {"stepCount": 0}})");
    KvData both(&valid);
    ExpectNoLog(valid.log);
    EXPECT_EQ(both.taskInfo.size(), 2u);
    EXPECT_EQ(both.taskInfo.ToJson().find("\"t2\""), 1u);  // written in descending key order
}

TEST(KvDataLoad, TheFileTypeComesFromTheFirstMatchingEntryOfEachRow) {
    const auto fileTypeOf = [](std::vector<std::string> rows) {
        TestData host;
        auto& table = host.AddTable(kSystem, "compileConfigure");
        for (size_t i = 0; i < rows.size(); ++i) table.AddRow(std::to_string(i), rows[i]);
        return KvData(&host).vmAppFileType;
    };
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "1"}])"}), 1);
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "-3"}])"}), -3);
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "one"}])"}), 0);
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "1.5"}])"}), 0);
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "99999999999"}])"}), 0);
    EXPECT_EQ(fileTypeOf({R"([{"name": "VMAppFileType", "description": "x"},
                               {"name": "VMAppFileType", "description": "2"}])"}),
              0);
    EXPECT_EQ(fileTypeOf({R"([{"name": "other", "description": "5"},
                               {"name": "VMAppFileType", "description": "2"}])",
                          R"([{"name": "VMAppFileType", "description": "4"}])",
                          R"([{"name": "VMAppFileType", "description": "?"}])"}),
              4);
}

TEST(KvDataLoad, ANonZeroFileTypeSkipsTheVariableTasks) {
    TestData host;
    host.AddTable(kVm, "taskInfo", R"({"t1": {"stepCount": 1, "varList": ["1.a"]}})");
    host.AddTable(kVm, "appVariable", R"([{"appKey": "1.a"}, {"appKey": "bad"}])");
    host.AddTable(kSystem, "compileConfigure", R"([{"name": "VMAppFileType", "description": "1"}])");
    KvData data(&host);
    ExpectNoLog(host.log);
    EXPECT_TRUE(data.appVariable[0].belongTaskId.empty());
}

TEST(KvDataLoad, IgnoresUnknownDatabasesAndTablesAndTablesOfAnotherDatabase) {
    TestData host;
    host.AddTable("otherDatabase", "oral", R"([{"id": "o1"}])");
    host.AddTable(kLc, "unknownTable", R"({"x": 1})");
    host.AddTable(kVm, "oral", R"([{"id": "o2"}])");
    host.AddTable(kVm, "unit", R"([{"srcename": "123"}])");
    host.AddTable(kSystem, "appConfig", R"({"recipeVersion": "9"})");
    KvData data(&host);
    ExpectNoLog(host.log);
    EXPECT_TRUE(data.oral.empty());
    EXPECT_TRUE(data.unit.empty());
    EXPECT_EQ(data.recipeVersion, "2.0");
}

TEST(KvDataLoad, BadDocumentsLeaveDefaultsWithoutCrashingOrReporting) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string longKey = "-1." + std::string(1 << 20, 'x');
    TestData host;
    host.AddTable(kLc, "appConfig").AddRow("0", "not json").AddRow("1", deep).AddRow("2", "[1]");
    host.AddTable(kLc, "functionParasValueDes")
        .AddRow("0", "[1, 2]")
        .AddRow("1", R"({"f": 5, "g": [], "h": {"par": {"name": "x"}}})")
        .AddRow("2", "{\"a\xff\": {\"functionName\": \"\xfe\"}}");
    host.AddTable(kLc, "ingredient").AddRow("0", "{}").AddRow("1", "\"text\"");
    host.AddTable(kLc, "logicInfo", R"({"logicNo": 1})");
    host.AddTable(kVm, "taskInfo", "[]");
    host.AddTable(kVm, "expandContent", "[1e300, -1, 4294967296, true]");
    host.AddTable(kVm, "appVariable", R"([{"appKey": ")" + longKey + R"("}])");
    KvData data(&host);
    ExpectNoLog(host.log);
    EXPECT_TRUE(data.appConfig.empty());
    // Entries of the wrong kind still make (default) descriptors, which have nothing to fail.
    EXPECT_EQ(data.funParValueDes.size(), 4u);
    EXPECT_EQ(data.funParValueDes.entries.at("a\xff").functionName, "\xfe");
    EXPECT_TRUE(data.ingredient.empty());
    EXPECT_TRUE(data.logicInfo.empty());
    EXPECT_EQ(data.expandContent.items, (std::vector<int>{-1}));
    EXPECT_EQ(data.appVariable[0].appKey, longKey);
    EXPECT_EQ(data.recipeVersion, "2.0");
}

TEST(KvDataLoad, AConversionFactorBeyondTheFloatRangeCountsAsNotGiven) {
    TestData host;
    host.AddTable(kLc, "unit", R"([{"srcename": "kg", "ratio": 1e39, "offset": 0}])");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportErrorAt", "餐饮应用单位表中单位<kg>的换算系数格式不合法或未填写!");
}

TEST(KvDataLoad, NonObjectIngredientEntriesAreEntriesWithoutCode) {
    TestData host;
    host.AddTable(kLc, "ingredient", "[5]");
    KvData data(&host);
    ExpectOnlyError(host.log, "ReportError", "表<ingredient>错误：<的id未填写!");
}

TEST(KvDataLoad, ANullHostLoadsNothing) {
    KvData data(nullptr);
    EXPECT_EQ(data.recipeVersion, "");
    EXPECT_TRUE(data.funParValueDes.empty());
    data.ChangeVmDataValue("appPar", "", "{}");
}

}  // namespace
