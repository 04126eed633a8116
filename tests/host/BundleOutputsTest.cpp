// Tests of the output layout: stored values by group and key, rewritten rows in place.
#include <gtest/gtest.h>

#include "arbor/Arbor.h"
#include "host/BundleOutputs.h"
#include "host/TestTempDir.h"

namespace {

using kv::test::TestTempDir;

BasicData* Text(const std::string& text) {
    BasicData* value = newBasicData();
    value->SetText(text);
    return value;
}

BasicData* Bytes(std::vector<uint8_t> bytes) {
    BasicData* value = newBasicData();
    value->SetBytes(bytes);
    return value;
}

std::unique_ptr<kv::host::BundleData> Load(const TestTempDir& dir) {
    // What every bundle holds: a function table and a database the library reads.
    dir.Write("host/functions.json", "[]");
    std::filesystem::create_directories(dir.Path() / "appParameterDataVm");
    auto loaded = kv::host::BundleData::Load(dir.Path());
    return loaded.Ok() ? std::move(loaded.Value()) : nullptr;
}

TEST(BundleOutputs, StoredValuesBecomeBinOrTxtFilesAndRewrittenRowsKeepTheirLayout) {
    TestTempDir dir;
    dir.Write("appParameterDataVm/appPar.json", "{}");
    dir.Write("appParameterDataVm/taskInfo/a.json", "{}");
    dir.Write("appParameterDataVm/taskInfo/b.json", "{}");
    auto data = Load(dir);
    ASSERT_TRUE(data);
    data->SetData("appParameterDataVm", "binBytes", Bytes({0x00, 0x80, 0xFF}));
    data->SetData("appParameterDataVm", "recipeVersion", Text("\"2.0\""));
    for (IDataTable* table : data->GetDatabases().at("appParameterDataVm")) {
        for (const auto& [key, row] : table->GetRecords()) {
            if (key != "a.json") row->GetField()->SetString("{\"" + key + "\":1}");
        }
    }

    auto files = kv::host::CollectBundleOutputs(*data, "out");
    ASSERT_TRUE(files.Ok());
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& file : files.Value()) got.push_back({file.path.generic_string(), file.bytes});
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"out/appParameterDataVm/binBytes.bin", std::string("\x00\x80\xFF", 3)},
                       {"out/appParameterDataVm/recipeVersion.txt", "\"2.0\""},
                       {"out/appParameterDataVm/appPar.json", "{\"appPar.json\":1}"},
                       {"out/appParameterDataVm/taskInfo/b.json", "{\"b.json\":1}"}}));
}

TEST(BundleOutputs, NamesThatWouldLeaveTheOutputDirectoryAreRefused) {
    for (const std::string bad : {"..", ".", "", "a/b", "a\\b", "c:x", "tab\tname"}) {
        TestTempDir dir;
        auto data = Load(dir);
        ASSERT_TRUE(data);
        data->SetData("appParameterDataVm", bad, Text("x"));
        auto byKey = kv::host::CollectBundleOutputs(*data, "out");
        ASSERT_FALSE(byKey.Ok()) << bad;
        EXPECT_EQ(byKey.Error().Describe(), "\"" + bad + "\": is not a usable output file name");

        auto byGroup = Load(dir);
        byGroup->SetData(bad, "key", Text("x"));
        EXPECT_FALSE(kv::host::CollectBundleOutputs(*byGroup, "out").Ok()) << bad;
    }
}

}  // namespace
