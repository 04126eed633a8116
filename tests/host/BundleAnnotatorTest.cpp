// Tests of the bundle annotator: recipes with one mistake each are analysed by the library
// against a small wok bundle, and the diagnostics it reports are annotated as kvc shows them.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/BundleAnnotator.h"
#include "host/BundleData.h"
#include "host/DiagnosticOutput.h"
#include "host/HostText.h"
#include "host/LibraryMessages.h"
#include "host/LogSink.h"
#include "host/RecipeDrive.h"
#include "host/TestTempDir.h"
#include "support/HostEncoding.h"

namespace {

using kv::host::BundleAnnotator;
using kv::host::BundleData;
using kv::host::DiagnosticRecord;
using kv::host::SourceText;
using Lines = std::vector<std::string>;

constexpr const char* kLocal = "appParameterDataLc";

// Heat, stir, add, cover and fire, with their units, ingredients, resources, cooking
// parameters and one variable; recipe lines 1 and 2 belong to task t1.
std::unique_ptr<BundleData> WokBundle(const char* taskInfo = R"({"t1": {"stepCount": 2}})") {
    auto data = std::make_unique<BundleData>();
    data->AddTable(kLocal, "appConfig", R"({"recipeVersion": "2.3"})");
    data->AddTable(kLocal, "bsType", R"([
        {"name": "temperature", "nameDesc": "温度", "dataType": "float", "unit": "℃"},
        {"name": "duration", "nameDesc": "时长", "dataType": "int", "unit": "s"},
        {"name": "weight", "nameDesc": "重量", "dataType": "float", "unit": "g"},
        {"name": "speed", "nameDesc": "转速", "dataType": "int", "unit": "rpm"},
        {"name": "material-id", "nameDesc": "食材", "dataType": "int", "unit": ""},
        {"name": "res-id", "nameDesc": "器具", "dataType": "int", "unit": ""},
        {"name": "char", "nameDesc": "字符", "dataType": "char", "unit": ""}])");
    data->AddTable(kLocal, "functionParasValueDes", R"({
        "heat": {"par": [{"name": "temp", "dataType": "temperature", "scope": ["0", "250"]},
                         {"name": "time", "dataType": "duration", "scope": ["0", "7200"]}]},
        "stir": {"par": [{"name": "speed", "dataType": "speed", "scope": ["0", "200"]}]},
        "add": {"par": [{"name": "material", "dataType": "material-id"},
                        {"name": "weight", "dataType": "weight", "scope": ["0", "5000"]}]},
        "cover": {"par": [{"name": "lid", "dataType": "res-id"}]},
        "fire": {"par": [{"name": "level", "dataType": "char",
                          "select": {"low": "1", "high": "3"}}]}})");
    data->AddTable(kLocal, "ingredient",
                   R"([{"code": "1001", "name": "鸡块"}, {"code": "1002", "name": "生姜"}])");
    data->AddTable(kLocal, "resource",
                   R"([{"code": "2001", "name": "锅盖"}, {"code": "2002", "name": "炒锅"}])");
    data->AddTable(kLocal, "unit", R"([
        {"srcename": "g", "srccname": "克", "base": "g", "ratio": 1, "offset": 0},
        {"srcename": "kg", "srccname": "千克", "base": "g", "ratio": 1000, "offset": 0},
        {"srcename": "s", "srccname": "秒", "base": "s", "ratio": 1, "offset": 0},
        {"srcename": "min", "srccname": "分钟", "base": "s", "ratio": 60, "offset": 0},
        {"srcename": "℃", "srccname": "摄氏度", "base": "℃", "ratio": 1, "offset": 0},
        {"srcename": "rpm", "srccname": "转每分", "base": "rpm", "ratio": 1, "offset": 0}])");
    data->AddTable(kLocal, "par", R"({"stirSpeed": ["60", "120"], "longTime": ["5min", "3h"]})");
    data->AddTable(kLocal, "variableValueDes", R"({"pot.temp": {"variableName": "pot.temp",
        "dataType": "temperature", "scope": ["0", "300"]}})");
    data->AddTable(kLocal, "logicTaskRelated", R"({"1": "t1", "2": "t1"})");
    data->AddTable("appParameterDataVm", "taskInfo", taskInfo);
    int number = 1;
    for (const char* name : {"heat", "stir", "add", "cover", "fire"}) {
        data->AddFunction(name, name, number, number, std::string("wok.") + name);
        ++number;
    }
    data->AddFunction("starttimer", "system.timer.starttimer", -1, -1, "system.timer.start");
    data->AddMidVariable("pot.temp", 0, "wok.sensor.temp");
    return data;
}

// An error as kvc shows it, before it is annotated. Built member by member: MinGW GCC's
// optimiser takes nested brace initialisers for uninitialised.
DiagnosticRecord Record(int code, std::string file, int line, int column, std::string message) {
    DiagnosticRecord record;
    record.code = code;
    record.where.file = std::move(file);
    record.where.line = line;
    record.where.column = column;
    record.message = std::move(message);
    return record;
}

// Each diagnostic the library reports on recipe, annotated. Positioned ones name the recipe,
// the others the bundle.
std::vector<DiagnosticRecord> Diagnose(BundleData& data, const std::string& recipe,
                                       const std::string& bundleName = "wok") {
    const SourceText source("recipe.rcp", kv::test::Host(recipe));
    std::ostringstream listing;
    std::ostringstream shown;
    // Shown without notes; the calls the sink keeps are annotated below.
    kv::host::DiagnosticOutput output(shown, kv::host::DiagnosticOptions());
    kv::host::LogSink sink(listing, output, &source, bundleName);
    data.SetLanguageDebug(&sink);
    const ParsedRecipe parsed = ParseRecipe(source.Text());
    EXPECT_TRUE(parsed.errors.empty()) << recipe;
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    EXPECT_TRUE(kv::host::DriveAnalyzer(data, *visitor, blocks));
    data.SetLanguageDebug(nullptr);

    BundleAnnotator annotator(data, source, bundleName);
    std::vector<DiagnosticRecord> records;
    for (const kv::host::LogCall& call : sink.Calls()) {
        if (!call.IsError()) continue;
        const bool positioned = call.op != kv::host::LogOp::ReportError && call.line >= 1;
        DiagnosticRecord& record = records.emplace_back(
            positioned ? Record(call.code, "recipe.rcp", call.line, call.column, call.text)
                       : Record(call.code, bundleName, -1, -1, call.text));
        annotator.Annotate(record);
    }
    return records;
}

// "1003 1:14-29 | note | @file:line: note", the range's end after the dash.
std::string Describe(const DiagnosticRecord& record) {
    std::string text = std::to_string(record.code);
    if (record.where.line >= 1) {
        text += " " + std::to_string(record.where.line) + ":" +
                std::to_string(record.where.column) + "-" + std::to_string(record.where.endColumn);
    }
    for (const kv::host::DiagnosticNote& note : record.notes) {
        text += " | ";
        if (!note.where.file.empty()) {
            text += "@" + note.where.file;
            if (note.where.line >= 1) text += ":" + std::to_string(note.where.line);
            text += ": ";
        }
        text += note.text;
    }
    return text;
}

Lines DescribeAll(const std::vector<DiagnosticRecord>& records) {
    Lines lines;
    for (const DiagnosticRecord& record : records) lines.push_back(Describe(record));
    return lines;
}

Lines Annotated(const std::string& recipe) {
    const std::unique_ptr<BundleData> data = WokBundle();
    return DescribeAll(Diagnose(*data, recipe));
}

TEST(BundleAnnotator, UnderlinesTheCallOrStatementAndGivesTheRangeThatWasLeft) {
    EXPECT_EQ(Annotated("task_t1 = 1; heat(280, 2min)\n"),
              Lines{"1003 1:14-29 | 参数<temp>的取值范围是0℃至250℃"});
    // 200min is 12000 s: the second argument is the one outside its range.
    EXPECT_EQ(Annotated("task_t1 = 1; heat(100, 200min)\n"),
              Lines{"1003 1:14-31 | 参数<time>的取值范围是0s至7200s"});
    EXPECT_EQ(Annotated("pot.temp >= 400 => task_t1 = 1\n"),
              Lines{"1003 1:1-16 | 变量<pot.temp>的取值范围是0℃至300℃"});
}

TEST(BundleAnnotator, NamesTheUnitsAcceptedAndTheCookingParameterABareWordMeant) {
    EXPECT_EQ(
        Annotated("task_t1 = 1; heat(180, 2kg)\n"),
        Lines{"1004 1:14-28 | 参数<time>接受的单位：s（秒）、min（分钟）；不带单位的数字按s计"});
    EXPECT_EQ(Annotated("task_t1 = 1; stir(stirSpeed)\n"),
              Lines{"1004 1:14-29 | 参数<speed>接受的单位：rpm（转每分）；不带单位的数字按rpm计"
                    " | 是不是要写<#stirSpeed>？"});
    // The cooking parameter's values are what was checked: 3h has no unit of the table.
    EXPECT_EQ(Annotated("task_t1 = 1; heat(180, #longTime)\n"),
              Lines{"1004 1:14-34 | 参数<time>接受的单位：s（秒）、min（分钟）；不带单位的数字按s计"
                    " | 烹饪变量<longTime>的取值：5min、3h"});
    EXPECT_EQ(Annotated("pot.temp >= 160kg => task_t1 = 1\n"),
              Lines{"1004 1:1-18 | 变量<pot.temp>接受的单位：℃（摄氏度）；不带单位的数字按℃计"});
}

TEST(BundleAnnotator, OffersTheNearestKnownNamesForAnUnknownOne) {
    // The message blames the data; the note says the function is unknown.
    EXPECT_EQ(Annotated("task_t1 = 1; stri(90)\n"),
              Lines{"2002 1:14-22 | <stri>不是已知的函数，是不是要写<stir>？"});
    EXPECT_EQ(Annotated("task_t1 = 1; zzzz(1)\n"),
              Lines{"2002 1:14-21 | <zzzz>不是已知的函数：主机函数表和函数参数值描述表中都没有它"});
    EXPECT_EQ(Annotated("task_t1 = 1; add(鸡肉, 1kg)\n"),
              Lines{"1003 1:14-30 | 食材表中没有<鸡肉>，是不是要写<鸡块>？"});
    EXPECT_EQ(Annotated("task_t1 = 1; cover(锅)\n"),
              Lines{"1003 1:14-24 | 资源表中没有<锅>，是不是要写<锅盖>或<炒锅>？"});
    EXPECT_EQ(Annotated("task_t1 = 1; stir(#stirSped)\n"),
              Lines{"2001 1:14-29 | 是不是要写<#stirSpeed>？"});
}

TEST(BundleAnnotator, SaysWhatACallTakesWhereItWasGivenSomethingElse) {
    // The checker and the formatter both count.
    EXPECT_EQ(Annotated("task_t1 = 1; stir(30, 1)\n"),
              (Lines{"1002 1:14-25 | 函数<stir>需要1个参数：speed；这里写了2个",
                     "1002 1:14-25 | 函数<stir>需要1个参数：speed；这里写了2个"}));
    EXPECT_EQ(Annotated("task_t1 = 1; fire(huge)\n"),
              Lines{"1003 1:14-24 | 参数<level>可选的值：high、low"});
    EXPECT_EQ(Annotated("task_t1 = 1; heat(\"180\", 2min)\n"),
              Lines{"1001 1:14-31 | 参数<temp>应是数字，不加双引号"});
}

TEST(BundleAnnotator, PointsAtTheTableFileAndEntryBehindADataError) {
    // A logic number is a recipe line: the table lacks it, and the line is shown.
    EXPECT_EQ(Annotated("task_t1 = 1\n\nheat(180, 2min)\n"),
              Lines{"2002 | @wok/appParameterDataLc/logicTaskRelated.json: 表中没有<3>的条目"
                    " | @recipe.rcp:3: 逻辑编号<3>就是这一行"});

    // The task table is rewritten by the library after it reported; the entry is found in
    // the table as loaded.
    const std::unique_ptr<BundleData> data = WokBundle(R"({"t1": {"stepCount": 2}, "t2": {}})");
    EXPECT_EQ(DescribeAll(Diagnose(*data, "task_t1 = 1\n")),
              Lines{"2002 | @wok/appParameterDataVm/taskInfo.json: 出错的条目：t2.stepCount"});
    EXPECT_FALSE(data->RewrittenRows().empty());

    // A table split into row files: the file and the index within it.
    kv::test::TestTempDir dir;
    dir.Write("host/functions.json", "[]");
    dir.Write("appParameterDataLc/unit/01.json",
              R"([{"srcename": "g", "base": "g", "ratio": 1, "offset": 0}])");
    dir.Write("appParameterDataLc/unit/02.json",
              R"([{"srcename": "s", "base": "s", "ratio": 1, "offset": 0},
                  {"srcename": "min", "srccname": "分钟", "base": "s", "offset": 0}])");
    auto loaded = BundleData::Load(dir.Path());
    ASSERT_TRUE(loaded.Ok());
    const std::string bundle = kv::host::PathText(dir.Path());
    EXPECT_EQ(
        DescribeAll(Diagnose(*loaded.Value(), "x = 1\n", bundle)),
        Lines{"2002 | @" + bundle + "/appParameterDataLc/unit/02.json: 出错的条目：[1].ratio"});
}

// One mistake in the bundle: what it adds to the wok bundle (or, for a table the loader stops
// at, to an empty one), the recipe compiled, and each diagnostic with its notes.
struct DataCase {
    const char* name;
    bool onWok;
    void (*spoil)(BundleData& data);
    const char* recipe;
    Lines expected;
};

void AddDescriptor(BundleData& data, const char* name, const char* descriptor) {
    data.AddTable(kLocal, "functionParasValueDes",
                  std::string(R"({")") + name + R"(": {"par": [)" + descriptor + "]}}");
    data.AddFunction(name, name, 9, 9, std::string("wok.") + name);
}

const DataCase kDataCases[] = {
    {"ResourceWithoutCode",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "resource",
                       R"([{"code": "2001", "name": "锅盖"}, {"name": "炒锅"}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/resource.json: 出错的条目：[1].code"}},
    {"BusinessTypeWithoutDataType",
     false,
     [](BundleData& data) { data.AddTable(kLocal, "bsType", R"([{"name": "weight"}])"); },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/bsType.json: 出错的条目：[0].dataType"}},
    {"UnitNamedInDigits",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "unit", R"([{"srcename": "kg", "srccname": "1000", "base": "g",
                                           "ratio": 1000, "offset": 0}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/unit.json: 出错的条目：[0].srccname"}},
    {"UnitWithoutOffset",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "unit", R"([{"srcename": "kg", "base": "g", "ratio": 1000}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/unit.json: 出错的条目：[0].offset"}},
    {"IngredientWithoutCode",
     false,
     [](BundleData& data) { data.AddTable(kLocal, "ingredient", R"([{"name": "生姜"}])"); },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/ingredient.json: 出错的条目：[0].code"}},
    {"LogicEntryWithoutNumber",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "logicInfo", R"([{"logicNo": 1, "visibleStep": 1, "visibleId": 1},
                                                {"visibleStep": 2, "visibleId": 2}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/logicInfo.json: 出错的条目：[1].logicNo"}},
    {"LogicIngredientWithoutQuantity",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "logicInfo", R"([{"logicNo": 1, "visibleStep": 1, "visibleId": 1,
             "materialList": [{"name": "水", "quantity": "1l"}, {"name": "盐"}]}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/logicInfo.json: 出错的条目：[0].materialList[1].quantity"}},
    {"ParameterWithoutName",
     false,
     [](BundleData& data) {
         data.AddTable(kLocal, "functionParasValueDes",
                       R"({"heat": {"par": [{"name": "temp"}, {"dataType": "duration"}]}})");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/functionParasValueDes.json: 出错的条目：heat.par[1].name"}},
    {"VariableKeyWithoutObject",
     false,
     [](BundleData& data) {
         data.AddTable("appParameterDataVm", "appVariable",
                       R"([{"appKey": "-1.level"}, {"appKey": "level"}])");
     },
     "x = 1\n",
     {"2002 | @wok/appParameterDataVm/appVariable.json: 出错的条目：[1].appKey"}},
    {"EmptyRowFile",
     false,
     [](BundleData& data) { data.AddTable(kLocal, "par").AddRow("0", "", false); },
     "x = 1\n",
     {"2002 | @wok/appParameterDataLc/par.json: 这个文件是空的"}},
    {"LineWithAnEmptyTaskId",
     true,
     [](BundleData& data) { data.AddTable(kLocal, "logicTaskRelated", R"({"1": ""})"); },
     "task_t1 = 1; heat(180, 2min)\n",
     {"2002 | @wok/appParameterDataLc/logicTaskRelated.json: 出错的条目：[\"1\"]"}},
    {"RangeOfOneBound",
     true,
     [](BundleData& data) {
         AddDescriptor(data, "mix", R"({"name": "speed", "dataType": "speed", "scope": ["0"]})");
     },
     "task_t1 = 1; mix(7)\n",
     {"2002 1:14-20 | @wok/appParameterDataLc/functionParasValueDes.json: "
      "出错的条目：mix.par[0].scope"}},
    {"ReversedRange",
     true,
     [](BundleData& data) {
         AddDescriptor(data, "wait",
                       R"({"name": "time", "dataType": "duration", "scope": ["10", "5"]})");
     },
     "task_t1 = 1; wait(7)\n",
     {"2002 | @wok/appParameterDataLc/functionParasValueDes.json: "
      "wait.par[0].scope的下限大于上限"}},
    {"MisspeltBusinessType",
     true,
     [](BundleData& data) {
         AddDescriptor(data, "season",
                       R"({"name": "amount", "dataType": "weigth", "scope": ["0", "100"]})");
     },
     "task_t1 = 1; season(7)\n",
     {"2002 | @wok/appParameterDataLc/functionParasValueDes.json: "
      "出错的条目：season.par[0].dataType，是不是要写<weight>？"}},
    {"HostFunctionWithoutDescriptor",
     true,
     [](BundleData& data) { data.AddFunction("blend", "blend", 9, 9, "wok.blend"); },
     "task_t1 = 1; blend(7)\n",
     {"2002 1:14-22 | @wok/appParameterDataLc/functionParasValueDes.json: 表中没有<blend>的条目",
      "2002 1:14-22 | @wok/appParameterDataLc/functionParasValueDes.json: 表中没有<blend>的条目"}},
    {"LogicIngredientMisspelt",
     true,
     [](BundleData& data) {
         data.AddTable(kLocal, "logicInfo", R"([{"logicNo": 1, "visibleStep": 1, "visibleId": 1,
             "materialList": [{"name": "姜", "quantity": "5g"}]}])");
     },
     "task_t1 = 1; heat(180, 2min)\n",
     {"2002 | @wok/appParameterDataLc/logicInfo.json: "
      "出错的条目：[0].materialList[0].name，是不是要写<生姜>？"}},
    {"CookingParameterMissingFromTheVmTable",
     true,
     [](BundleData& data) { data.AddTable(kLocal, "par", R"({"fireMode": ["low"]})"); },
     "task_t1 = 1; fire(#fireMode)\n",
     {"2001 1:14-29 | @wok/appParameterDataVm/appPar.json: 表中没有<fireMode>的条目"}},
    {"VariableRangeOfOneBound",
     true,
     [](BundleData& data) {
         data.AddTable(kLocal, "variableValueDes", R"({"pot.level": {"variableName": "pot.level",
             "dataType": "speed", "scope": ["1"]}})");
     },
     "pot.level >= 5 => task_t1 = 1\n",
     {"2002 1:1-15 | @wok/appParameterDataLc/variableValueDes.json: "
      "出错的条目：[\"pot.level\"].scope"}},
};

TEST(BundleAnnotator, EveryDataErrorNamesTheTableFileAndTheEntry) {
    for (const DataCase& dataCase : kDataCases) {
        const std::unique_ptr<BundleData> data =
            dataCase.onWok ? WokBundle() : std::make_unique<BundleData>();
        dataCase.spoil(*data);
        EXPECT_EQ(DescribeAll(Diagnose(*data, dataCase.recipe)), dataCase.expected)
            << dataCase.name;
    }
}

TEST(BundleAnnotator, AddsNothingItCannotTellAndNeverFailsOnBadContent) {
    const std::unique_ptr<BundleData> good = WokBundle();
    BundleData broken;
    broken.AddTable(kLocal, "functionParasValueDes", "{");
    broken.AddTable(kLocal, "unit", R"([1, "x", null, {"srcename": ["s"]}])");
    broken.AddTable(kLocal, "bsType", R"({"not": "an array"})");
    const SourceText source("recipe.rcp", kv::test::Host("task_t1 = 1; heat(180, 2kg)\n"));
    for (BundleData* data : {good.get(), &broken}) {
        BundleAnnotator annotator(*data, source, "wok");
        // A sentence no rule knows, and a syntax error's caret on a character.
        DiagnosticRecord unknown = Record(2002, "wok", -1, -1, "别的错误");
        DiagnosticRecord syntax = Record(9009, "recipe.rcp", 1, 6, "语法错误");
        // A line past the recipe's end.
        DiagnosticRecord beyond = Record(1004, "recipe.rcp", 9, 1, "参数值或单位不正确！");
        for (DiagnosticRecord* record : {&unknown, &syntax, &beyond}) {
            annotator.Annotate(*record);
            EXPECT_EQ(record->where.endColumn, -1) << record->message;
            EXPECT_TRUE(record->notes.empty()) << record->message;
        }
    }
    // The call is still underlined when the tables behind it cannot be read.
    BundleAnnotator annotator(broken, source, "wok");
    DiagnosticRecord units = Record(1004, "recipe.rcp", 1, 14, "参数值或单位不正确！");
    annotator.Annotate(units);
    EXPECT_EQ(Describe(units), "1004 1:14-28");
}

TEST(LibraryMessages, ReadsTheSlotsBackOutOfTheLibrarysSentence) {
    namespace lib = kv::host::library;
    using Slots = std::vector<std::string_view>;
    EXPECT_EQ(lib::MatchMessage(lib::checker::ValueOutOfRange, 1003,
                                "参数值:<280>的值不在正常范围内，必须在0-250范围内"),
              (Slots{"280", "0", "250"}));
    // Negative bounds: each slot holds at least one byte.
    EXPECT_EQ(lib::MatchMessage(lib::checker::ValueOutOfRange.format,
                                "参数值:<-9>的值不在正常范围内，必须在-5--1范围内"),
              (Slots{"-9", "-5", "-1"}));
    EXPECT_EQ(
        lib::MatchMessage(lib::analyzer::LogicNoWithoutTask.format, "逻辑编号<>找不到对应的表号"),
        Slots{""});
    EXPECT_FALSE(lib::MatchMessage(lib::checker::ValueOutOfRange, 1004,
                                   "参数值:<280>的值不在正常范围内，必须在0-250范围内"));
    EXPECT_FALSE(lib::MatchMessage(lib::checker::FunValueOrUnitWrong.format, "参数值或单位不正确"));
    EXPECT_EQ(lib::MatchMessage("100%% of %0", "100% of all"), Slots{"all"});
}

}  // namespace
