// Tests of the bundle data store: layout, order, rows, write-back, the host lists, what makes a
// folder a bundle, what its text must be, and the remarks on it.
#include <gtest/gtest.h>

#include <thread>

#include "host/BundleData.h"
#include "host/DeferredJsonChecks.h"
#include "host/HostText.h"
#include "host/KnownTables.h"
#include "host/TestTempDir.h"

namespace {

using kv::host::BundleData;
using kv::test::TestTempDir;

// A scratch folder holding the one file every bundle needs, an empty function table.
class BundleDir : public TestTempDir {
public:
    BundleDir() { Write("host/functions.json", "[]"); }
};

std::unique_ptr<BundleData> LoadOk(const TestTempDir& dir) {
    auto loaded = BundleData::Load(dir.Path());
    EXPECT_TRUE(loaded.Ok()) << (loaded.Ok() ? "" : loaded.Error().Describe());
    return loaded.Ok() ? std::move(loaded.Value()) : nullptr;
}

std::vector<std::string> TableNames(const std::vector<IDataTable*>& tables) {
    std::vector<std::string> names;
    for (IDataTable* table : tables) names.push_back(table->GetName());
    return names;
}

std::vector<std::string> RowKeys(IDataTable* table) {
    std::vector<std::string> keys;
    for (const auto& [key, row] : table->GetRecords()) keys.push_back(key);
    return keys;
}

IDataTable* FindTable(BundleData& data, const std::string& database, const std::string& name) {
    for (IDataTable* table : data.GetDatabases().at(database)) {
        if (table->GetName() == name) return table;
    }
    return nullptr;
}

TEST(BundleData, ListsDatabasesAndTablesInByteOrderSkippingHostAndLooseFiles) {
    TestTempDir dir;
    dir.Write("systemParameterDataLc/compileConfigure.json", "[]");
    dir.Write("appParameterDataVm/taskInfo.json", "{}");
    dir.Write("appParameterDataLc/unit.json", "[]");
    dir.Write("appParameterDataLc/appConfig.json", "{}");
    dir.Write("Zcustom/t.json", "{}");  // 'Z' sorts before 'a' in byte order
    dir.Write("host/functions.json", "[]");
    dir.Write("recipe.rcp", "heat(1)\n");
    dir.Write(".git/config.json", "{}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);

    std::vector<std::string> databases;
    for (const auto& [name, tables] : data->GetDatabases()) databases.push_back(name);
    EXPECT_EQ(databases, (std::vector<std::string>{"Zcustom", "appParameterDataLc",
                                                   "appParameterDataVm", "systemParameterDataLc"}));
    EXPECT_EQ(TableNames(data->GetDatabases().at("appParameterDataLc")),
              (std::vector<std::string>{"appConfig", "unit"}));
}

TEST(BundleData, OrdersTablesByNameAndSplitRowsByWholeFileName) {
    BundleDir dir;
    // By file name "ab-c" (folder) comes before "ab.json"; by table name "ab" comes first.
    dir.Write("appParameterDataLc/ab.json", "{\"whole\":1}");
    dir.Write("appParameterDataLc/ab-c/9.json", "[9]");
    dir.Write("appParameterDataLc/ab-c/10.json", "[10]");
    dir.Write("appParameterDataLc/ab-c/a.json", "[\"a\"]");
    dir.Write("appParameterDataLc/ab-c/a-b.json", "[\"a-b\"]");  // '-' sorts before '.'
    dir.Write("appParameterDataLc/ab-c/notes.txt", "not a row");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);

    const auto& tables = data->GetDatabases().at("appParameterDataLc");
    ASSERT_EQ(TableNames(tables), (std::vector<std::string>{"ab", "ab-c"}));
    EXPECT_EQ(RowKeys(tables[0]).size(), 1u);
    EXPECT_EQ(tables[0]->GetRecords().begin()->second->GetField()->GetString(), "{\"whole\":1}");
    EXPECT_EQ(RowKeys(tables[1]),
              (std::vector<std::string>{"10.json", "9.json", "a-b.json", "a.json"}));
    EXPECT_EQ(tables[1]->GetRecords().at("a-b.json")->GetField()->GetString(), "[\"a-b\"]");
}

TEST(BundleData, EmptyOrBlankRowFilesAreInvalidRows) {
    BundleDir dir;
    dir.Write("appParameterDataVm/appPar.json", "");
    dir.Write("appParameterDataVm/taskInfo/1.json", " \r\n\t");
    dir.Write("appParameterDataVm/taskInfo/2.json", "\xEF\xBB\xBF{\"t1\":{}}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);

    IDataField* empty =
        FindTable(*data, "appParameterDataVm", "appPar")->GetRecords().begin()->second->GetField();
    EXPECT_FALSE(empty->IsValid());
    const auto& rows = FindTable(*data, "appParameterDataVm", "taskInfo")->GetRecords();
    EXPECT_FALSE(rows.at("1.json")->GetField()->IsValid());
    IDataField* second = rows.at("2.json")->GetField();
    EXPECT_TRUE(second->IsValid());
    EXPECT_EQ(second->GetString(), "{\"t1\":{}}") << "the byte-order mark is not part of the JSON";
}

TEST(BundleData, SetStringRewritesInMemoryOnlyAndReportsTheRowsInBundleLayout) {
    BundleDir dir;
    dir.Write("appParameterDataVm/appPar.json", "{\"old\":1}");
    dir.Write("appParameterDataVm/taskInfo/r1.json", "{}");
    dir.Write("appParameterDataVm/taskInfo/r2.json", "{}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->RewrittenRows().empty());

    FindTable(*data, "appParameterDataVm", "appPar")
        ->GetRecords()
        .begin()
        ->second->GetField()
        ->SetString("{\"new\":2}");
    FindTable(*data, "appParameterDataVm", "taskInfo")
        ->GetRecords()
        .at("r2.json")
        ->GetField()
        ->SetString("{}");  // same text still counts as rewritten

    const auto rows = data->RewrittenRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].relativePath.generic_string(), "appParameterDataVm/appPar.json");
    EXPECT_EQ(*rows[0].text, "{\"new\":2}");
    EXPECT_EQ(rows[1].relativePath.generic_string(), "appParameterDataVm/taskInfo/r2.json");
    EXPECT_EQ(dir.Read("appParameterDataVm/appPar.json"), "{\"old\":1}");
}

TEST(BundleData, ReleasedTextsAreReadAgainAndRewrittenOnesKept) {
    BundleDir dir;
    dir.Write("appParameterDataLc/unit.json", "\xEF\xBB\xBF[{\"n\":1}]");
    dir.Write("appParameterDataVm/appPar.json", "{\"old\":1}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);
    IDataField* unit =
        FindTable(*data, "appParameterDataLc", "unit")->GetRecords().begin()->second->GetField();
    IDataField* appPar =
        FindTable(*data, "appParameterDataVm", "appPar")->GetRecords().begin()->second->GetField();
    appPar->SetString("{\"new\":2}");
    data->ReleaseTexts();

    // Read again as loaded (the byte-order mark gone), and the rewrite kept in memory.
    EXPECT_EQ(unit->GetString(), "[{\"n\":1}]");
    EXPECT_EQ(appPar->GetString(), "{\"new\":2}");
    ASSERT_EQ(data->RewrittenRows().size(), 1u);
    EXPECT_EQ(*data->RewrittenRows()[0].text, "{\"new\":2}");

    // A file gone by the time its text is wanted gives an empty text, not a failure.
    data->ReleaseTexts();
    std::filesystem::remove(dir.Path() / "appParameterDataLc" / "unit.json");
    EXPECT_EQ(unit->GetString(), "");
}

class CountingData final : public BasicData {
public:
    explicit CountingData(int& destroyed) : destroyed_(destroyed) {}
    ~CountingData() override { ++destroyed_; }
    void SetText(const std::string& text) override { text_ = text; }
    void SetBytes(const std::vector<uint8_t>& bytes) override { bytes_ = bytes; }
    bool IsBytes() const override { return false; }
    const std::string& GetText() const override { return text_; }
    const std::vector<uint8_t>& GetBytes() const override { return bytes_; }

private:
    int& destroyed_;
    std::string text_;
    std::vector<uint8_t> bytes_;
};

TEST(BundleData, SetDataTakesValuesOverAndReplacesByGroupAndKey) {
    BundleDir dir;
    dir.Write("appParameterDataVm/appPar.json", "{}");
    int destroyed = 0;
    {
        auto data = LoadOk(dir);
        ASSERT_TRUE(data);
        auto* first = new CountingData(destroyed);
        first->SetText("1");
        data->SetData("g", "k", first);
        auto* second = new CountingData(destroyed);
        second->SetText("2");
        data->SetData("g", "k", second);
        data->SetData("g", "null", nullptr);
        EXPECT_EQ(destroyed, 1) << "the replaced value is released";
        EXPECT_EQ(data->Stored().at("g").at("k")->GetText(), "2");
        EXPECT_EQ(data->Stored().at("g").count("null"), 0u);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(BundleData, FunctionTableKeepsFileOrderAndLookupsMatchTheLastDottedPiece) {
    TestTempDir dir;
    dir.Write("host/functions.json", R"([
        {"name":"heat","fullName":"oven.heat","functionNo":1,"devIndex":0,"methodPath":"dev.oven.heat"},
        {"name":"heat","fullName":"pot.heat","functionNo":2,"devIndex":-1,"methodPath":"dev.pot.h"},
        {"name":"wait","fullName":"wait","functionNo":0,"devIndex":-1,"methodPath":"sys.wait"}])");
    dir.Write("host/midVariables.json", R"([
        {"fullName":"oven.sensor.temp","devId":3,"sensorPath":"s.oven.t"},
        {"fullName":"temp","devId":-1,"sensorPath":""}])");
    dir.Write("appParameterDataLc/appConfig.json", "{}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);

    const auto& heat = data->GetFunctionTable().at("heat");
    ASSERT_EQ(heat.size(), 2u);
    EXPECT_EQ(heat[0]->GetFullName(), "oven.heat");
    EXPECT_EQ(heat[0]->GetFunctionNo(), 1);
    EXPECT_EQ(heat[0]->GetMethodPath(), "dev.oven.heat");
    EXPECT_EQ(heat[1]->GetDevIndex(), -1);

    std::vector<ICFunction*> found{heat[1]};  // lookups append
    data->FindFunctions("heat", found);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[1]->GetFullName(), "oven.heat");
    EXPECT_EQ(found[2]->GetFullName(), "pot.heat");
    found.clear();
    data->FindFunctions("wait", found);
    EXPECT_EQ(found.size(), 1u) << "a name without dots is its own short name";
    data->FindFunctions("oven", found);
    EXPECT_EQ(found.size(), 1u) << "only the last piece matches";

    std::vector<IMidVariable*> variables;
    data->FindMidVariables("temp", variables);
    ASSERT_EQ(variables.size(), 2u);
    EXPECT_EQ(variables[0]->GetDevId(), 3);
    EXPECT_EQ(variables[0]->GetSensorPath(), "s.oven.t");
    EXPECT_EQ(variables[1]->GetFullName(), "temp");
}

TEST(BundleData, AnEmptyFunctionListAndAMissingVariableListMeanEmptyTables) {
    BundleDir dir;
    dir.Write("appParameterDataLc/appConfig.json", "{}");
    auto data = LoadOk(dir);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->GetFunctionTable().empty());
    std::vector<ICFunction*> found;
    data->FindFunctions("heat", found);
    EXPECT_TRUE(found.empty());
    std::vector<IMidVariable*> variables;
    data->FindMidVariables("temp", variables);
    EXPECT_TRUE(variables.empty());
    EXPECT_EQ(data->GetLanguageDebug(), nullptr);
}

// The error Load gives for a bundle, which must fail.
kv::host::HostError LoadError(const std::filesystem::path& dir) {
    auto loaded = BundleData::Load(dir);
    EXPECT_FALSE(loaded.Ok());
    return loaded.Ok() ? kv::host::HostError{} : loaded.Error();
}

TEST(BundleData, RefusesMissingBundlesAndBundlesThatAreFiles) {
    TestTempDir dir;
    const auto missing = LoadError(dir.Path() / "nope");
    EXPECT_EQ(missing.Describe(), (dir.Path() / "nope").string() + ": does not exist");
    EXPECT_EQ(missing.exitCode, 2);
    const auto file = dir.Write("bundle.txt", "x");
    EXPECT_EQ(LoadError(file).Describe(), file.string() + ": is not a directory");
}

// The parser's own wording is RapidJSON's; what we promise is the file, the words "is not
// JSON" and the byte offset.
void ExpectNotJsonAt(const kv::host::HostError& error, const std::filesystem::path& file,
                     size_t offset) {
    const std::string text = error.Describe();
    const std::string lead = file.string() + ": is not JSON: ";
    const std::string tail = " at byte offset " + std::to_string(offset);
    EXPECT_EQ(text.substr(0, lead.size()), lead) << text;
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
}

TEST(BundleData, NamesTheTableFileThatIsNotJson) {
    {
        BundleDir dir;
        const auto file = dir.Write("appParameterDataLc/unit.json", "[1, 2");
        ExpectNotJsonAt(LoadError(dir.Path()), file, 5);
    }
    {
        BundleDir dir;
        const auto file = dir.Write("appParameterDataVm/taskInfo/2.json", "{} {}");
        dir.Write("appParameterDataVm/taskInfo/1.json", "{}");
        ExpectNotJsonAt(LoadError(dir.Path()), file, 3);
    }
    {
        BundleDir dir;
        const auto file = dir.Write("appParameterDataLc/unit.json", std::string("[]\0[", 4));
        EXPECT_EQ(LoadError(dir.Path()).Describe(),
                  file.string() + ": is not JSON: holds a NUL byte");
    }
    {
        // Deeper than the library parses: refused here, since the library would quietly see an
        // empty table. Exactly at the limit is fine.
        BundleDir dir;
        dir.Write("appParameterDataLc/oral.json", std::string(512, '[') + std::string(512, ']'));
        const auto file =
            dir.Write("appParameterDataLc/par.json", std::string(513, '[') + std::string(513, ']'));
        EXPECT_EQ(LoadError(dir.Path()).Describe(),
                  file.string() + ": is not JSON: nests arrays and objects deeper than 512");
    }
    {
        BundleDir dir;  // nesting far past any stack: refused, not a crash
        const auto file = dir.Write("appParameterDataLc/par.json", std::string(200000, '['));
        EXPECT_EQ(LoadError(dir.Path()).Describe(),
                  file.string() + ": is not JSON: nests arrays and objects deeper than 512");
    }
}

TEST(BundleData, DeferredChecksAnswerAsTheLoadThatChecksAtOnceWhicheverThreadsRunThem) {
    BundleDir dir;
    for (int row = 10; row < 50; ++row) {
        dir.Write("appParameterDataVm/taskInfo/" + std::to_string(row) + ".json", "{}");
    }
    // The first of two faults in read order, past a byte-order mark that offsets count.
    dir.Write("appParameterDataVm/taskInfo/17.json", "\xEF\xBB\xBF[1,");
    dir.Write("appParameterDataVm/taskInfo/33.json", "[");
    kv::host::DeferredJsonChecks checks;
    const auto loaded = BundleData::Load(dir.Path(), &checks);
    if (kv::host::kHostTextIsGbk) {
        // A host that converts each text checks it first, as it reads it.
        ASSERT_FALSE(loaded.Ok());
        EXPECT_EQ(loaded.Error().Describe(), LoadError(dir.Path()).Describe());
        return;
    }
    ASSERT_TRUE(loaded.Ok()) << "the load leaves the checks to whoever runs them";
    std::thread helper([&checks] { checks.Help(); });
    checks.Help();
    helper.join();
    const std::optional<kv::host::HostError> failure = checks.FirstFailure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Describe(), LoadError(dir.Path()).Describe());
}

// The encoding is the platform's; these texts are UTF-8.
#ifndef _WIN32
TEST(BundleData, RefusesTextThatIsNotUtf8AtTheOffsetOfTheFirstBadByte) {
    struct Case {
        std::string text;
        size_t offset;  // in the file, a byte-order mark included
    };
    const Case cases[] = {
        {"{\"a\":\"\xFF\"}", 6},
        {"\xEF\xBB\xBF[\"\xC0\xAF\"]", 5},  // an overlong '/', after the mark
        {"[\"\xED\xA0\x80\"]", 2},          // a surrogate encoded directly
        {"[\"\xE7\x83\"]", 2},              // cut short by the quote
        {"[\"ok\"] \xE7\x83", 7},           // outside any string, at the end
        // After runs of ASCII longer than the eight bytes the scan steps over at once.
        {"{\"key\":\"abcdefghij\xFF and more text\"}", 18},
        {"[\"abcde\xC3\xA9"
         "0123456789\xE7\x83\"]",
         19},
    };
    for (const Case& c : cases) {
        BundleDir dir;
        const auto file = dir.Write("appParameterDataLc/oral.json", c.text);
        EXPECT_EQ(LoadError(dir.Path()).Describe(),
                  file.string() + ": is not UTF-8 text: malformed bytes at byte offset " +
                      std::to_string(c.offset));
    }
}

TEST(BundleData, RefusesEscapesOfLoneLowSurrogatesButKeepsPairsAndEscapedBackslashes) {
    const std::string lone =
        ": is not JSON the library can read: a \\u escape names a lone "
        "UTF-16 surrogate at byte offset ";
    {
        BundleDir dir;
        const auto file = dir.Write("appParameterDataLc/oral.json", "[\"a\\udc00\"]");
        EXPECT_EQ(LoadError(dir.Path()).Describe(), file.string() + lone + "3");
    }
    {
        BundleDir dir;  // the pair spans offsets 2 to 13; the lone escape follows it
        const auto file = dir.Write("appParameterDataLc/oral.json", "[\"\\ud83d\\ude00\\uDFFF\"]");
        EXPECT_EQ(LoadError(dir.Path()).Describe(), file.string() + lone + "14");
    }
    BundleDir dir;
    dir.Write("appParameterDataLc/oral.json",
              "[\"\\ud83d\\ude00\", \"\\\\udc00\", \"\\\"\\udbff\\udfff\", \"红烧鸡 😀\"]");
    EXPECT_TRUE(LoadOk(dir));
}
#endif

TEST(BundleData, RefusesATableGivenBothAsFileAndFolder) {
    BundleDir dir;
    dir.Write("appParameterDataVm/taskInfo.json", "{}");
    dir.Write("appParameterDataVm/taskInfo/1.json", "{}");
    EXPECT_EQ(LoadError(dir.Path()).Describe(),
              (dir.Path() / "appParameterDataVm" / "taskInfo").string() +
                  ": the table is given both as a file and as a folder");
}

TEST(BundleData, NamesTheEntryAndKeyOfAMalformedHostList) {
    struct Case {
        const char* file;
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"functions.json", "{}", "must hold a JSON array of objects"},
        {"functions.json", "[1]", "entry 0 is not a JSON object"},
        {"functions.json", "[{\"name\":\"a\",\"fullName\":\"a\",\"functionNo\":1,\"devIndex\":1}]",
         "entry 0: \"methodPath\" must be a string"},
        {"functions.json",
         "[{\"name\":\"a\",\"fullName\":\"a\",\"functionNo\":1,\"devIndex\":1,\"methodPath\":\"\"},"
         "{\"name\":\"b\",\"fullName\":\"b\",\"functionNo\":\"2\",\"devIndex\":1,\"methodPath\":"
         "\"\"}]",
         "entry 1: \"functionNo\" must be a 32-bit integer"},
        {"functions.json",
         "[{\"name\":\"a\",\"fullName\":\"a\",\"functionNo\":1,\"devIndex\":4294967296,"
         "\"methodPath\":\"\"}]",
         "entry 0: \"devIndex\" must be a 32-bit integer"},
        {"midVariables.json", "[{\"fullName\":\"t\",\"devId\":1.5,\"sensorPath\":\"\"}]",
         "entry 0: \"devId\" must be a 32-bit integer"},
        {"midVariables.json", "[{\"fullName\":7,\"devId\":1,\"sensorPath\":\"\"}]",
         "entry 0: \"fullName\" must be a string"},
    };
    for (const Case& c : cases) {
        BundleDir dir;
        dir.Write("appParameterDataLc/appConfig.json", "{}");
        const auto file = dir.Write(std::string("host/") + c.file, c.text);
        EXPECT_EQ(LoadError(dir.Path()).Describe(), file.string() + ": " + c.reason) << c.text;
    }
}

TEST(BundleData, TheExampleBundleHoldsEveryTableTheLibraryReadsAndNothingElse) {
    auto loaded = BundleData::Load(std::filesystem::path(KV_SOURCE_DIR) / "examples" /
                                   "braised-chicken" / "bundle");
    ASSERT_TRUE(loaded.Ok()) << loaded.Error().Describe();
    for (const kv::host::BundleRemark& remark : loaded.Value()->Remarks()) {
        ADD_FAILURE() << remark.Describe();
    }
}

TEST(KnownTables, NearestNameSuggestsOnlyPlausibleTypos) {
    const kv::host::KnownDatabase* local = kv::host::FindKnownDatabase("appParameterDataLc");
    ASSERT_TRUE(local);
    EXPECT_EQ(kv::host::NearestName("uint", local->tables), "unit") << "a swap is one edit";
    EXPECT_EQ(kv::host::NearestName("pat", local->tables), "par");
    EXPECT_EQ(kv::host::NearestName("abc", local->tables), "") << "three edits away from par";
    EXPECT_EQ(kv::host::NearestName("appParamDataLc", kv::host::KnownDatabaseNames()),
              "appParameterDataLc");
    const std::string_view tied[] = {"bar", "par"};
    EXPECT_EQ(kv::host::NearestName("xar", tied), "bar") << "a tie goes to the earlier name";
}

}  // namespace
