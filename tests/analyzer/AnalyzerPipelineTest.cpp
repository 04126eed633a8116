// The end pipeline: what reaches the host's data store and log after AppParamDataVmPro.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "arbor/BasicData.h"
#include "support/TestHost.h"

namespace {

using kv::test::TestData;
using Bytes = std::vector<uint8_t>;

void RunPipeline(TestData& data) {
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    std::vector<ISyntaxTreeNode*> nodes;
    analyzer->AppParamDataVmPro(nodes);
}

const BasicData* Stored(TestData& data, const std::string& key) {
    auto group = data.Stored().find("appParameterDataVm");
    if (group == data.Stored().end()) return nullptr;
    auto value = group->second.find(key);
    return value == group->second.end() ? nullptr : value->second.get();
}

TEST(AnalyzerPipeline, StoresTheQuotedRecipeVersion) {
    TestData data;
    data.AddTable("appParameterDataLc", "appConfig", R"({"recipeVersion":"3.1"})");
    RunPipeline(data);
    const BasicData* version = Stored(data, "recipeVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_FALSE(version->IsBytes());
    EXPECT_EQ(version->GetText(), "\"3.1\"");
}

TEST(AnalyzerPipeline, EmptyDataGivesTheEmptyImageAndItsListing) {
    TestData data;
    RunPipeline(data);
    const BasicData* image = Stored(data, "binBytes");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Stored(data, "recipeVersion")->GetText(), "\"2.0\"");
    const Bytes expected = {0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 8, 0, 0, 0, 12, 0, 0, 0, 12,
                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image->GetBytes(), expected);

    std::vector<std::pair<std::string, int>> lines;
    for (const auto& call : data.log.Calls()) lines.emplace_back(call.text, call.level);
    const std::vector<std::pair<std::string, int>> expectedLines = {
        {"餐饮语义分析器版本：V3.00.03.00", 0},
        {R"(餐饮应用数据：{"appVariable":[],"appTask":[],"appPar":[],"defaultData":{},"expandContent":[]})",
         0},
        {"应用变量表偏移量 0，大端模式大端编码0x00 00 00 00", 0},
        {"默认值数据表打包失败！", 3},
        {"任务信息偏移量 4，大端模式大端编码0x00 00 00 04", 0},
        {"参数数据偏移量 8，大端模式大端编码0x00 00 00 08", 0},
        {"参数默认值数据偏移量 12，大端模式大端编码0x00 00 00 0C", 0},
        {"扩展数据偏移量 12，大端模式大端编码0x00 00 00 0C", 0},
    };
    EXPECT_EQ(lines, expectedLines);
}

TEST(AnalyzerPipeline, BuildsTheImageFromVariablesTasksAndDefaults) {
    TestData data;
    data.AddTable("appParameterDataVm", "appVariable",
                  R"([{"appKey":"1.a","dataType":2,"defaultValue":"","eventType":0}])");
    data.AddTable("appParameterDataVm", "defaultData", R"({"a":"1"})");
    data.AddTable("appParameterDataVm", "taskInfo", R"({"t1":{"stepCount":2,"varList":["1.a"]}})");
    RunPipeline(data);

    const BasicData* image = Stored(data, "binBytes");
    ASSERT_NE(image, nullptr);
    const Bytes expected = {
        0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 32, 0, 0, 0, 36, 0, 0, 0, 43,  // header
        0, 1, 0, 0, 0, 14,                                               // one variable
        0xA4, '1', '.', 'a', 0, 2, 0, 0xA1, 0, 0x91, 0xA3, 't', '1', 0,  //
        0, 1, 0, 0, 0, 6,                                                // one task
        0xA3, 't', '1', 0, 2, 0x90,                                      //
        0, 0, 0, 0,                                                      // no parameters
        0x81, 0xA2, 'a', 0, 0xA2, '1', 0,                                // default data
    };
    EXPECT_EQ(image->GetBytes(), expected);
    EXPECT_EQ(
        data.log.Calls()[1].text,
        R"(餐饮应用数据：{"appVariable":[{"appKey":"1.a","dataType":2,"defaultValue":"","eventType":0,"belongTaskId":["t1"]}],)"
        R"("appTask":[{"stepCount":2,"timerId":[],"varList":["1.a"],"step":[]}],"appPar":[],"defaultData":{"a":"1"},"expandContent":[]})");
}

TEST(AnalyzerPipeline, TaskTablesOnlyConfigurationStoresNoImage) {
    TestData data;
    data.AddTable("systemParameterDataLc", "compileConfigure",
                  R"([{"name":"VMAppFileType","description":"1"}])");
    RunPipeline(data);
    EXPECT_NE(Stored(data, "recipeVersion"), nullptr);
    EXPECT_EQ(Stored(data, "binBytes"), nullptr);
}

TEST(AnalyzerPipeline, WritesParametersAndTasksBackWithDescendingKeys) {
    TestData data;
    auto& appPar = data.AddTable("appParameterDataVm", "appPar");
    appPar.AddRow("0", R"({"a":{"attachKeys":["k"]},"b":{}})");
    appPar.AddRow("1", "{}");
    auto& taskInfo = data.AddTable("appParameterDataVm", "taskInfo",
                                   R"({"t1":{"stepCount":1},"t2":{"stepCount":2}})");
    RunPipeline(data);
    const std::string parJson =
        R"({"b":{"attachKeys":[],"attachData":{}},"a":{"attachKeys":["k"],"attachData":{}}})";
    EXPECT_EQ(appPar.RowText("0"), parJson);
    EXPECT_EQ(appPar.RowText("1"), parJson);
    EXPECT_EQ(taskInfo.RowText("0"),
              R"({"t2":{"stepCount":2,"timerId":[],"varList":[],"step":[]},)"
              R"("t1":{"stepCount":1,"timerId":[],"varList":[],"step":[]}})");
}

}  // namespace
