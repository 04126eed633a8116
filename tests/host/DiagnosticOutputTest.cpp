// Tests of how diagnostic records are shown: carets and ranges, the text form with notes and
// colour, the output's dedupe, limit and summary, and the JSON and SARIF documents.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <sstream>

#include "host/CaretLine.h"
#include "host/DiagnosticJson.h"
#include "host/DiagnosticOutput.h"
#include "host/DiagnosticRender.h"
#include "host/TerminalColour.h"
#include "support/HostEncoding.h"

namespace {

using kv::host::DiagnosticFormat;
using kv::host::DiagnosticNote;
using kv::host::DiagnosticOutput;
using kv::host::DiagnosticRecord;
using kv::host::Severity;
using kv::host::SourceLocation;
using kv::host::SourceText;

// A note at where; at the record's own place without one. Built member by member: brace
// initialisers of nested records trip MinGW GCC's -Wmaybe-uninitialized.
DiagnosticNote Note(std::string text, std::string file = "", int line = -1, int column = -1,
                    int endColumn = -1) {
    DiagnosticNote note;
    note.where.file = std::move(file);
    note.where.line = line;
    note.where.column = column;
    note.where.endColumn = endColumn;
    note.text = std::move(text);
    return note;
}

DiagnosticRecord Record(Severity severity, int code, SourceLocation where, std::string message,
                        std::vector<DiagnosticNote> notes = {},
                        std::vector<std::string> details = {}) {
    DiagnosticRecord record;
    record.severity = severity;
    record.code = code;
    record.where = std::move(where);
    record.message = std::move(message);
    record.notes = std::move(notes);
    record.details = std::move(details);
    return record;
}

// ---- Carets, ranges and columns -------------------------------------------------------------

TEST(CaretLine, ARangeIsUnderlinedCellForCellAfterTheCaret) {
    EXPECT_EQ(kv::host::CaretLine("heat(180, 2min)", 6, 9), "     ^~~");
    // 鸡 and 块 take two cells each: the caret and one '~' under the first, two under the next.
    EXPECT_EQ(kv::host::CaretLine("add(鸡块, 0.5kg)", 5, 11), "    ^~~~");
    EXPECT_EQ(kv::host::CaretLine("add(鸡块, 0.5kg)", 5), "    ^");
    // Tabs stay tabs, before the caret and inside the range.
    EXPECT_EQ(kv::host::CaretLine("\tf(a,\tb)", 2, 9), "\t^~~~\t~~");
    // A range ending past the line stops at its end; one ending at the caret is no range; a
    // caret past the end has none.
    EXPECT_EQ(kv::host::CaretLine("ab", 1, 10), "^~");
    EXPECT_EQ(kv::host::CaretLine("ab", 2, 2), " ^");
    EXPECT_EQ(kv::host::CaretLine("ab", 5, 9), "  ^");
}

TEST(CaretLine, ColumnsConvertToUtf16UnitsAndCharacterEnds) {
    // a: 1 byte, 1 unit; 鸡: 3 bytes, 1 unit; 😀: 4 bytes, 2 units; b: 1 byte.
    const std::string line = "a鸡😀b";
    EXPECT_EQ(kv::host::Utf16Column(line, 1), 1);
    EXPECT_EQ(kv::host::Utf16Column(line, 2), 2);
    EXPECT_EQ(kv::host::Utf16Column(line, 5), 3);
    EXPECT_EQ(kv::host::Utf16Column(line, 9), 5);
    EXPECT_EQ(kv::host::Utf16Column(line, 10), 6);
    EXPECT_EQ(kv::host::Utf16Column(line, 12), 8) << "past the end: the same distance";
    const std::string strayByte = std::string("\xff") + "x";
    EXPECT_EQ(kv::host::Utf16Column(strayByte, 2), 2) << "a stray byte is one unit";

    EXPECT_EQ(kv::host::NextColumn(line, 2), 5);
    EXPECT_EQ(kv::host::NextColumn(line, 5), 9);
    EXPECT_EQ(kv::host::NextColumn(line, 10), 10);
}

TEST(CaretLine, ValidUtf8ReplacesEveryByteThatIsNoCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(kv::host::ValidUtf8(std::string("a\xff") + "b"), "a" + replacement + "b");
    // A cut-short character, an encoded surrogate and an overlong form: each byte goes.
    EXPECT_EQ(kv::host::ValidUtf8("\xe9\xb8"), replacement + replacement);
    EXPECT_EQ(kv::host::ValidUtf8("\xed\xa0\x80"), replacement + replacement + replacement);
    EXPECT_EQ(kv::host::ValidUtf8("\xc0\x80"), replacement + replacement);
    EXPECT_EQ(kv::host::ValidUtf8("鸡😀"), "鸡😀");
}

// ---- The text form ----------------------------------------------------------------------------

struct Recipe {
    SourceText source{"recipe.rcp", kv::test::Host("add(鸡块, 0.5kg)\n\tx = 1\n")};
};

TEST(RenderText, NotesFollowTheDetailsAtTheirOwnPlaceOrTheRecords) {
    const Recipe recipe;
    const DiagnosticRecord record =
        Record(Severity::Error, 1003, {"recipe.rcp", 1, 5, 11}, "参数值错误",
               {Note("n1"), Note("n2", "recipe.rcp", 1, 13, 18),
                Note("[3].ratio", "bundle/appParameterDataLc/unit.json")},
               {"extra"});
    EXPECT_EQ(kv::host::RenderText(record, &recipe.source, false),
              "recipe.rcp:1:5: error[1003]: 参数值错误\n"
              "add(鸡块, 0.5kg)\n"
              "    ^~~~\n"
              "    extra\n"
              "recipe.rcp:1:5: note: n1\n"
              "recipe.rcp:1:13: note: n2\n"
              "add(鸡块, 0.5kg)\n"
              "          ^~~~~\n"
              "bundle/appParameterDataLc/unit.json: note: [3].ratio\n");
}

TEST(RenderText, KvcsOwnDiagnosticsHaveNoCodeAndOtherFilesShowNoLine) {
    const Recipe recipe;
    EXPECT_EQ(kv::host::RenderText(Record(Severity::Warning, 0, {"recipe.rcp", 2}, "w"),
                                   &recipe.source, false),
              "recipe.rcp:2: warning: w\n"
              "\tx = 1\n");
    // A place in another file named like no source line: the place alone.
    EXPECT_EQ(kv::host::RenderText(Record(Severity::Note, 0, {"other.rcp", 1, 1}, "n"),
                                   &recipe.source, false),
              "other.rcp:1:1: note: n\n");
}

TEST(RenderText, ColourFollowsGccsPalette) {
    const Recipe recipe;
    const DiagnosticRecord record =
        Record(Severity::Error, 1003, {"recipe.rcp", 1, 5, 11}, "m", {Note("n")});
    EXPECT_EQ(kv::host::RenderText(record, &recipe.source, true),
              "\x1b[1mrecipe.rcp:1:5:\x1b[0m \x1b[1;31merror[1003]:\x1b[0m m\n"
              "add(鸡块, 0.5kg)\n"
              "    \x1b[1;32m^~~~\x1b[0m\n"
              "\x1b[1mrecipe.rcp:1:5:\x1b[0m \x1b[1;36mnote:\x1b[0m n\n");
    EXPECT_EQ(kv::host::RenderText(Record(Severity::Warning, 0, {"b"}, "w"), nullptr, true),
              "\x1b[1mb:\x1b[0m \x1b[1;35mwarning:\x1b[0m w\n");
}

TEST(TerminalColour, AutoColoursATerminalUnlessNoColorIsSet) {
    using kv::host::ColourChoice;
    EXPECT_TRUE(kv::host::ColourWanted(ColourChoice::Auto, true, nullptr));
    EXPECT_TRUE(kv::host::ColourWanted(ColourChoice::Auto, true, "")) << "empty is unset";
    EXPECT_FALSE(kv::host::ColourWanted(ColourChoice::Auto, true, "1"));
    EXPECT_FALSE(kv::host::ColourWanted(ColourChoice::Auto, false, nullptr));
    EXPECT_TRUE(kv::host::ColourWanted(ColourChoice::Always, false, "1"));
    EXPECT_FALSE(kv::host::ColourWanted(ColourChoice::Never, true, nullptr));
    // A file is no terminal.
    EXPECT_FALSE(kv::host::ColourForStream(ColourChoice::Auto, 0));
    EXPECT_TRUE(kv::host::ColourForStream(ColourChoice::Always, 0));
}

// ---- The output: dedupe, annotation, limit, summary -----------------------------------------

// Marks what it saw: a range of two bytes and a note.
class MarkingAnnotator final : public kv::host::DiagnosticAnnotator {
public:
    void Annotate(DiagnosticRecord& record) override {
        seen.push_back(record.message);
        if (record.where.column >= 1) record.where.endColumn = record.where.column + 2;
        record.notes.push_back(Note("seen"));
    }
    std::vector<std::string> seen;
};

std::string RunText(const std::vector<DiagnosticRecord>& records, int maxErrors,
                    kv::host::DiagnosticAnnotator* annotator = nullptr) {
    std::ostringstream out;
    kv::host::DiagnosticOptions options;
    options.maxErrors = maxErrors;
    DiagnosticOutput output(out, options);
    output.SetAnnotator(annotator);
    for (const DiagnosticRecord& record : records) output.Report(record);
    output.Finish();
    return out.str();
}

TEST(DiagnosticOutput, ShowsEachDiagnosticOnceAndErrorsUpToTheLimitThenSumsUp) {
    MarkingAnnotator annotator;
    const std::vector<DiagnosticRecord> records = {
        Record(Severity::Error, 1002, {"r", 1, 2}, "e1"),
        Record(Severity::Error, 1002, {"r", 1, 2}, "e1"),  // the same: shown once
        Record(Severity::Error, 1002, {"r", 1, 3}, "e1"),  // another column: another error
        Record(Severity::Warning, 0, {"r", 2, 1}, "w"),
        Record(Severity::Error, 1003, {"r", 3, 1}, "e3"),
        Record(Severity::Error, 1003, {"r", 4, 1}, "e4"),
        Record(Severity::Warning, 0, {"r", 5, 1}, "w2"),  // warnings know no limit
        Record(Severity::Note, 0, {"b"}, "n"),            // and notes are not counted
    };
    EXPECT_EQ(RunText(records, 2, &annotator),
              "r:1:2: error[1002]: e1\n"
              "r:1:2: note: seen\n"
              "r:1:3: error[1002]: e1\n"
              "r:1:3: note: seen\n"
              "r:2:1: warning: w\n"
              "r:2:1: note: seen\n"
              "r:5:1: warning: w2\n"
              "r:5:1: note: seen\n"
              "b: note: n\n"
              "b: note: seen\n"
              "2 more errors were not shown; --max-errors=0 shows every error.\n"
              "2 warnings and 4 errors generated.\n");
    EXPECT_EQ(annotator.seen, (std::vector<std::string>{"e1", "e1", "w", "w2", "n"}))
        << "errors past the limit and repeats are not annotated";
}

TEST(DiagnosticOutput, TheSummarySaysWhatThereWasInTheSingularWhereItIsOne) {
    const DiagnosticRecord error = Record(Severity::Error, 2002, {"b"}, "e");
    const DiagnosticRecord other = Record(Severity::Error, 2002, {"b"}, "f");
    const DiagnosticRecord warning = Record(Severity::Warning, 0, {"b"}, "w");
    EXPECT_EQ(RunText({}, 50), "") << "nothing when there was nothing";
    EXPECT_EQ(RunText({error}, 50), "b: error[2002]: e\n1 error generated.\n");
    EXPECT_EQ(RunText({warning}, 50), "b: warning: w\n1 warning generated.\n");
    EXPECT_EQ(RunText({warning, error}, 50),
              "b: warning: w\nb: error[2002]: e\n1 warning and 1 error generated.\n");
    EXPECT_EQ(RunText({error, other}, 1),
              "b: error[2002]: e\n"
              "1 more error was not shown; --max-errors=0 shows every error.\n"
              "2 errors generated.\n");
    EXPECT_EQ(RunText({error, other}, 0),
              "b: error[2002]: e\nb: error[2002]: f\n2 errors generated.\n")
        << "0: no limit";
}

// ---- JSON and SARIF ---------------------------------------------------------------------------

TEST(DiagnosticsToJson, WritesOneObjectPerLineWithNullsForWhatIsMissing) {
    const std::vector<DiagnosticRecord> records = {
        Record(Severity::Error, 1003, {"recipe.rcp", 3, 12, 18}, "m", {Note("n")}, {"d"}),
        Record(Severity::Warning, 0, {"bundle"}, "w\xff"),
    };
    EXPECT_EQ(kv::host::DiagnosticsToJson(records),
              "[\n"
              "{\"file\":\"recipe.rcp\",\"line\":3,\"column\":12,\"endColumn\":18,\"code\":1003,"
              "\"level\":\"error\",\"message\":\"m\",\"details\":[\"d\"],\"notes\":[{\"file\":"
              "\"recipe.rcp\",\"line\":3,\"column\":12,\"endColumn\":18,\"message\":\"n\"}]},\n"
              "{\"file\":\"bundle\",\"line\":null,\"column\":null,\"endColumn\":null,\"code\":null,"
              "\"level\":\"warning\",\"message\":\"w\xEF\xBF\xBD\",\"details\":[],\"notes\":[]}\n"
              "]\n");
    EXPECT_EQ(kv::host::DiagnosticsToJson({}), "[]\n");
}

TEST(FileUri, PercentEncodesAbsolutePaths) {
#ifdef _WIN32
    EXPECT_EQ(kv::host::FileUri("C:\\a b\\c#%.txt"), "file:///C:/a%20b/c%23%25.txt");
    EXPECT_EQ(kv::host::FileUri("\\\\server\\share\\x"), "file://server/share/x");
#else
    EXPECT_EQ(kv::host::FileUri("/a b/c#%.txt"), "file:///a%20b/c%23%25.txt");
    EXPECT_EQ(kv::host::FileUri("/食"), "file:///%E9%A3%9F");
#endif
}

// A physical location as "uri (base) line:start-end", the parts it has.
std::string Place(const rapidjson::Value& location) {
    const rapidjson::Value& physical = location["physicalLocation"];
    const rapidjson::Value& artifact = physical["artifactLocation"];
    std::string place = artifact["uri"].GetString();
    if (artifact.HasMember("uriBaseId")) place += std::string(" (") + artifact["uriBaseId"].GetString() + ")";
    if (!physical.HasMember("region")) return place;
    const rapidjson::Value& region = physical["region"];
    place += " " + std::to_string(region["startLine"].GetInt());
    if (region.HasMember("startColumn")) {
        place += ":" + std::to_string(region["startColumn"].GetInt()) + "-" +
                 std::to_string(region["endColumn"].GetInt());
    }
    return place;
}

TEST(DiagnosticsToSarif, OneRunWithARulePerCodeAndColumnsInUtf16Units) {
#ifdef _WIN32
    const std::string absolute = "C:\\abs\\dir x\\b";
    const std::string absoluteUri = "file:///C:/abs/dir%20x/b";
#else
    const std::string absolute = "/abs/dir x/b";
    const std::string absoluteUri = "file:///abs/dir%20x/b";
#endif
    // 加 and 热 are three bytes and one UTF-16 unit each: the 980 at bytes 9 to 11 starts at
    // unit 5 and ends before unit 8.
    const SourceText source{"食谱/r.rcp", kv::test::Host("加热 (980)\n")};
    const std::vector<DiagnosticRecord> records = {
        Record(Severity::Error, 1003, {"食谱/r.rcp", 1, 9, 12}, "m",
               {Note("[3].ratio", "bundle/unit.json"), Note("n")}),
        Record(Severity::Warning, 0, {absolute}, "w"),
        Record(Severity::Error, 2002, {"bundle"}, "d", {}, {"k: v"}),
        // Without a range: the character under the caret, 热.
        Record(Severity::Error, 1002, {"食谱/r.rcp", 1, 4}, "c"),
    };
    kv::host::SarifTool tool;
    tool.name = "kvc";
    tool.version = "1.0";
    tool.baseUri = "file:///work/";
    tool.describe = [](int code) {
        return code == 0 ? kv::host::SarifRule{"", "own"}
                         : kv::host::SarifRule{"t" + std::to_string(code), ""};
    };
    const std::string sarif = kv::host::DiagnosticsToSarif(records, &source, tool);
    rapidjson::Document log;
    log.Parse(sarif.c_str());
    ASSERT_FALSE(log.HasParseError()) << sarif;
    EXPECT_STREQ(log["version"].GetString(), "2.1.0");
    ASSERT_EQ(log["runs"].Size(), 1u);
    const rapidjson::Value& run = log["runs"][0];
    EXPECT_STREQ(run["tool"]["driver"]["name"].GetString(), "kvc");
    EXPECT_STREQ(run["tool"]["driver"]["version"].GetString(), "1.0");
    EXPECT_STREQ(run["originalUriBaseIds"]["SRCROOT"]["uri"].GetString(), "file:///work/");
    EXPECT_STREQ(run["columnKind"].GetString(), "utf16CodeUnits");

    // Codes ascending, the tool's own last; empty descriptions left out.
    std::string rules;
    for (const rapidjson::Value& rule : run["tool"]["driver"]["rules"].GetArray()) {
        rules += rule["id"].GetString();
        if (rule.HasMember("shortDescription")) {
            rules += std::string(" short:") + rule["shortDescription"]["text"].GetString();
        }
        if (rule.HasMember("fullDescription")) {
            rules += std::string(" full:") + rule["fullDescription"]["text"].GetString();
        }
        rules += "\n";
    }
    EXPECT_EQ(rules, "1002 short:t1002\n1003 short:t1003\n2002 short:t2002\nkvc full:own\n");

    // Each result in order: rule, level, message, place; notes as related locations.
    std::string results;
    for (const rapidjson::Value& result : run["results"].GetArray()) {
        results += std::string(result["ruleId"].GetString()) + "#" +
                   std::to_string(result["ruleIndex"].GetInt()) + " " +
                   result["level"].GetString() + " " + result["message"]["text"].GetString() +
                   " @ " + Place(result["locations"][0]) + "\n";
        if (result.HasMember("relatedLocations")) {
            for (const rapidjson::Value& note : result["relatedLocations"].GetArray()) {
                results += "  note " + std::to_string(note["id"].GetInt()) + " " +
                           note["message"]["text"].GetString() + " @ " + Place(note) + "\n";
            }
        }
        if (result.HasMember("properties")) {
            results += std::string("  detail ") +
                       result["properties"]["details"][0].GetString() + "\n";
        }
    }
    EXPECT_EQ(results,
              "1003#1 error m @ %E9%A3%9F%E8%B0%B1/r.rcp (SRCROOT) 1:5-8\n"
              "  note 1 [3].ratio @ bundle/unit.json (SRCROOT)\n"
              "  note 2 n @ %E9%A3%9F%E8%B0%B1/r.rcp (SRCROOT) 1:5-8\n"
              "kvc#3 warning w @ " +
                  absoluteUri +
                  "\n"
                  "2002#2 error d @ bundle (SRCROOT)\n"
                  "  detail k: v\n"
                  "1002#0 error c @ %E9%A3%9F%E8%B0%B1/r.rcp (SRCROOT) 1:2-3\n");
}

TEST(DiagnosticOutput, MachineFormatsShowEveryDiagnosticAtTheEndWithoutALimit) {
    std::ostringstream out;
    kv::host::DiagnosticOptions options;
    options.format = DiagnosticFormat::Json;
    options.maxErrors = 1;
    DiagnosticOutput output(out, options);
    output.Report(Record(Severity::Error, 2002, {"b"}, "e"));
    output.Report(Record(Severity::Error, 2002, {"b"}, "e"));
    output.Report(Record(Severity::Error, 2002, {"b"}, "f"));
    EXPECT_EQ(out.str(), "") << "a document is written whole";
    output.Finish();
    EXPECT_EQ(out.str(), kv::host::DiagnosticsToJson({Record(Severity::Error, 2002, {"b"}, "e"),
                                                      Record(Severity::Error, 2002, {"b"}, "f")}));
}

}  // namespace
