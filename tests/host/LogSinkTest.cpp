// Tests of the log sink: where each call goes, how diagnostics look, the JSON lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "arbor/TextEncoding.h"
#include "host/HostText.h"
#include "host/LogJson.h"
#include "host/LogSink.h"
#include "support/HostEncoding.h"

namespace {

using kv::host::DiagnosticOutput;
using kv::host::LogSink;
using kv::host::SourceText;
using kv::test::Host;

// Text diagnostics without a limit, so that every report shows.
kv::host::DiagnosticOptions Unlimited() {
    kv::host::DiagnosticOptions options;
    options.maxErrors = 0;
    return options;
}

// The library and the parser hand the sink host texts, and count columns in the host's bytes:
// 加热 is six bytes in UTF-8 and four in GBK, so the second ',' of line 3 is at byte column 10
// or 8.
constexpr int kSecondCommaColumn = kv::host::kHostTextIsGbk ? 8 : 10;

struct SinkFixture {
    SourceText source{"recipe.rcp", Host("time >= 10 => heat(180)\r\n\tx = 1\n加热(1,,2)\n")};
    std::ostringstream listing;
    std::ostringstream diagnostics;
    DiagnosticOutput output = MakeOutput();
    LogSink sink{listing, output, &source, "bundles/demo"};

    DiagnosticOutput MakeOutput() {
        DiagnosticOutput made(diagnostics, Unlimited());
        made.SetSource(&source);
        return made;
    }
};

TEST(LogSink, ListingLinesGoToTheListingAndOnlyReportsSetHasError) {
    SinkFixture f;
    f.sink.Print(Host("版本"), 0);
    f.sink.PrintLine(Host("偏移量 0"), 3);
    EXPECT_FALSE(f.sink.HasError()) << "a failure line of the image builder is not a report";
    EXPECT_EQ(f.listing.str(), "版本\n偏移量 0\n");
    EXPECT_EQ(f.diagnostics.str(), "");

    f.sink.ReportError(2002, Host("缺少数据"), 3);
    EXPECT_TRUE(f.sink.HasError());
    f.sink.Print(Host("后来"), 0);
    EXPECT_TRUE(f.sink.HasError()) << "it stays true";
    EXPECT_EQ(f.listing.str(), "版本\n偏移量 0\n后来\n");
    ASSERT_EQ(f.sink.Calls().size(), 4u);
    EXPECT_EQ(f.sink.Calls()[2].op, kv::host::LogOp::ReportError);
    EXPECT_EQ(f.sink.Calls()[2].code, 2002);
}

TEST(LogSink, WithoutKeptCallsTheStreamsShowTheSameAndNoCallIsKept) {
    SinkFixture f;
    f.sink.KeepCalls(false);
    f.sink.Print(Host("版本"), 0);
    f.sink.PrintLine("", 3);
    f.sink.ReportError(2002, Host("缺少数据"), 3);
    f.sink.PrintLine(Host("偏移量 0"), 3);
    EXPECT_EQ(f.listing.str(), "版本\n\n偏移量 0\n");
    EXPECT_EQ(f.diagnostics.str(), "bundles/demo: error[2002]: 缺少数据\n");
    EXPECT_TRUE(f.sink.HasError());
    EXPECT_TRUE(f.sink.Calls().empty());
}

TEST(LogSink, HeldCallsWaitForReleaseAndComeAfterWhatCameBefore) {
    SinkFixture f;
    f.sink.KeepCalls(false);
    f.sink.Hold();
    f.sink.Print(Host("版本"), 0);
    f.sink.ReportError(2002, Host("缺少数据"), 3);
    EXPECT_EQ(f.listing.str(), "") << "a held call is neither shown nor reported";
    EXPECT_EQ(f.diagnostics.str(), "");
    EXPECT_TRUE(f.sink.HasError()) << "the library asks, and a held report counts";

    kv::host::DiagnosticRecord earlier;
    earlier.where.file = "earlier.json";
    earlier.message = "先";
    f.output.Report(earlier);
    f.sink.Release();
    f.sink.PrintLine(Host("偏移量 0"), 3);
    EXPECT_EQ(f.listing.str(), "版本\n偏移量 0\n");
    EXPECT_EQ(f.diagnostics.str(),
              "earlier.json: error: 先\nbundles/demo: error[2002]: 缺少数据\n");
    EXPECT_TRUE(f.sink.HasError());
}

TEST(LogSink, DroppedCallsLeaveNoTrace) {
    SinkFixture f;
    f.sink.KeepJsonLines(true);
    f.sink.Hold();
    f.sink.Print(Host("版本"), 0);
    f.sink.ReportError(2002, Host("缺少数据"), 3);
    f.sink.Drop();
    EXPECT_FALSE(f.sink.HasError());
    f.sink.Print(Host("后来"), 0);
    EXPECT_EQ(f.listing.str(), "后来\n") << "and the sink no longer holds";
    EXPECT_EQ(f.diagnostics.str(), "");
    ASSERT_EQ(f.sink.Calls().size(), 1u);
    EXPECT_EQ(f.sink.JsonLines(), "{\"op\":\"Print\",\"kind\":0,\"text\":\"后来\"}\n");
}

TEST(LogSink, PositionedErrorsShowTheSourceLineAndACaretUnderTheColumn) {
    SinkFixture f;
    f.sink.ReportErrorAt(1003, 1, 20, Host("参数值错误:不在物料范围内!"), 3);
    EXPECT_EQ(f.diagnostics.str(),
              "recipe.rcp:1:20: error[1003]: 参数值错误:不在物料范围内!\n"
              "time >= 10 => heat(180)\n"
              "                   ^\n");
}

TEST(LogSink, CaretPaddingKeepsTabsAndCountsWideCharactersByWidth) {
    SinkFixture f;
    f.sink.ReportErrorAt(1001, 2, 4, "t", 3);
    // 加 and 热 are three bytes each and two cells wide: byte column 10 is the second ','.
    f.sink.ReportErrorAtWithData(1002, 3, kSecondCommaColumn, "w", "", {}, 3);
    EXPECT_EQ(f.diagnostics.str(),
              "recipe.rcp:2:4: error[1001]: t\n"
              "\tx = 1\n"
              "\t  ^\n"
              "recipe.rcp:3:10: error[1002]: w\n"
              "加热(1,,2)\n"
              "       ^\n");
}

TEST(LogSink, FirstLineColumnsCountFromAfterTheByteOrderMark) {
    if (kPlatformRecipeEncoding != RecipeEncoding::Utf8) {
        GTEST_SKIP() << "a GBK recipe has no byte-order mark";
    }
    // The parser counts line 1 from after the mark, so the shown line and the caret do too.
    const SourceText source{"recipe.rcp", "\xEF\xBB\xBF" "abc = 1; 9x = 2\nb = 1\n"};
    std::ostringstream listing;
    std::ostringstream diagnostics;
    DiagnosticOutput output(diagnostics, Unlimited());
    output.SetSource(&source);
    LogSink sink{listing, output, &source, "bundles/demo"};
    sink.ReportErrorAt(9007, 1, 10, "d", 3);
    EXPECT_EQ(diagnostics.str(),
              "recipe.rcp:1:10: error[9007]: d\n"
              "abc = 1; 9x = 2\n"
              "         ^\n");
    EXPECT_EQ(source.LineCount(), 2);
    EXPECT_EQ(source.Line(2), "b = 1");
}

TEST(LogSink, ErrorsWithoutAPositionNameTheBundle) {
    SinkFixture f;
    f.sink.ReportError(2002, "a", 3);
    f.sink.ReportErrorAt(2002, -1, -1, "b", 3);
    f.sink.ReportErrorAt(2002, 0, 5, "c", 3);
    EXPECT_EQ(f.diagnostics.str(),
              "bundles/demo: error[2002]: a\n"
              "bundles/demo: error[2002]: b\n"
              "bundles/demo: error[2002]: c\n");
}

TEST(LogSink, PartialOrOutOfRangePositionsStillRenderSafely) {
    SinkFixture f;
    f.sink.ReportErrorAt(1004, 2, -1, "no column", 3);
    f.sink.ReportErrorAt(1004, 2, 99, "past the end", 3);
    f.sink.ReportErrorAt(1004, 40, 1, "no such line", 3);
    EXPECT_EQ(f.diagnostics.str(),
              "recipe.rcp:2: error[1004]: no column\n"
              "\tx = 1\n"
              "recipe.rcp:2:99: error[1004]: past the end\n"
              "\tx = 1\n"
              "\t     ^\n"  // just after the last character
              "recipe.rcp:40:1: error[1004]: no such line\n");
}

TEST(LogSink, ControlCharactersAreEscapedInTextsAndLinesAndTheCaretFollowsTheEscapes) {
    if (kv::host::kHostTextIsGbk) GTEST_SKIP() << "the line's bytes are UTF-8 forms";
    SourceText source{"r.rcp", "a(\x1b[2J, \x7f\xc2\x85\xff, 1)\n"};
    std::ostringstream listing, diagnostics;
    DiagnosticOutput output(diagnostics, Unlimited());
    output.SetSource(&source);
    LogSink sink{listing, output, &source, "b"};
    sink.ReportErrorAt(1003, 1, 15, "<\x1b[31m>", 3);
    sink.ReportErrorAtWithData(1002, -1, -1, "\a", "\r", {{"k\x1b", "v\n"}}, 3);
    // Before byte column 15 (the 1): "a(" 2 cells, ESC 6, "[2J, " 5, DEL 6, U+0085 6, the stray
    // byte 4, ", " 2; 31 in all.
    EXPECT_EQ(diagnostics.str(),
              "r.rcp:1:15: error[1003]: <\\u001b[31m>\n"
              "a(\\u001b[2J, \\u007f\\u0085\\xff, 1)\n"
              "                               ^\n"
              "b: error[1002]: \\u0007\n"
              "    \\u000d\n"
              "    k\\u001b: v\\u000a\n");
}

TEST(LogSink, ErrorsWithDataListTheExtraTextAndEntries) {
    SinkFixture f;
    f.sink.ReportErrorAtWithData(1002, -1, -1, Host("参数个数错误"), Host("详情"),
                                 {{"b", "2"}, {"a", "1"}}, 3);
    EXPECT_EQ(f.diagnostics.str(),
              "bundles/demo: error[1002]: 参数个数错误\n"
              "    详情\n"
              "    a: 1\n"
              "    b: 2\n");
}

TEST(LogSink, ARepeatedReportIsShownOnceAndLoggedEachTime) {
    SinkFixture f;
    f.sink.KeepJsonLines(true);
    f.sink.ReportErrorAt(1002, 1, 15, Host("参数个数错误"), 3);
    f.sink.ReportErrorAt(1002, 1, 15, Host("参数个数错误"), 3);
    f.sink.ReportErrorAt(1002, 1, 16, Host("参数个数错误"), 3);  // another place
    EXPECT_EQ(f.diagnostics.str(),
              "recipe.rcp:1:15: error[1002]: 参数个数错误\n"
              "time >= 10 => heat(180)\n"
              "              ^\n"
              "recipe.rcp:1:16: error[1002]: 参数个数错误\n"
              "time >= 10 => heat(180)\n"
              "               ^\n");
    const std::string& log = f.sink.JsonLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << "the log keeps every call";
    EXPECT_EQ(f.output.ErrorCount(), 2);
}

TEST(LogSink, AHostReportShowsItsNotesAndIsLoggedAsTheCallItStandsFor) {
    SinkFixture f;
    f.sink.KeepJsonLines(true);
    std::vector<kv::host::DiagnosticNote> notes(1);
    notes[0].text = Host("full-width '，': did you mean ','?");
    f.sink.ReportErrorAtWithNotes(9019, 3, kSecondCommaColumn, Host("全角"), 3, notes);
    EXPECT_EQ(f.diagnostics.str(),
              "recipe.rcp:3:10: error[9019]: 全角\n"
              "加热(1,,2)\n"
              "       ^\n"
              "recipe.rcp:3:10: note: full-width '，': did you mean ','?\n");
    EXPECT_EQ(f.sink.JsonLines(),
              "{\"op\":\"ReportErrorAt\",\"code\":9019,\"line\":3,\"column\":10,\"level\":3,"
              "\"text\":\"全角\"}\n");
}

TEST(LogSink, AHiddenListingIsStillLogged) {
    SinkFixture f;
    f.sink.ShowListing(false);
    f.sink.Print(Host("版本"), 0);
    f.sink.KeepCalls(false);
    f.sink.PrintLine("line", 3);
    f.sink.ReportError(2002, "a", 3);
    EXPECT_EQ(f.listing.str(), "");
    EXPECT_EQ(f.diagnostics.str(), "bundles/demo: error[2002]: a\n");
    ASSERT_EQ(f.sink.Calls().size(), 1u) << "kept until KeepCalls(false)";
    EXPECT_EQ(f.sink.Calls()[0].text, "版本");
}

// The same calls on any sink.
void MakeEveryKindOfCall(LogSink& sink) {
    sink.Print(Host("版本"), 0);
    sink.PrintLine("line", 3);
    sink.ReportError(2002, Host("缺少"), 3);
    sink.ReportErrorAt(1003, 1, 12, Host("参数值错误"), 3);
    sink.ReportErrorAtWithData(1002, 1, 2, "t", "x", {{"k", "v"}, {"a", "\"q\""}}, 3);
}

TEST(LogJson, WritesOneObjectPerCallWithTheKeysOfItsOperation) {
    const std::string expected =
        "{\"op\":\"Print\",\"kind\":0,\"text\":\"版本\"}\n"
        "{\"op\":\"PrintLine\",\"level\":3,\"text\":\"line\"}\n"
        "{\"op\":\"ReportError\",\"code\":2002,\"level\":3,\"text\":\"缺少\"}\n"
        "{\"op\":\"ReportErrorAt\",\"code\":1003,\"line\":1,\"column\":12,\"level\":3,"
        "\"text\":\"参数值错误\"}\n"
        "{\"op\":\"ReportErrorAtWithData\",\"code\":1002,\"line\":1,\"column\":2,\"level\":3,"
        "\"text\":\"t\",\"extra\":\"x\",\"data\":{\"a\":\"\\\"q\\\"\",\"k\":\"v\"}}\n";
    SinkFixture kept;
    MakeEveryKindOfCall(kept.sink);
    EXPECT_EQ(kv::host::LogCallsToJsonLines(kept.sink.Calls()), expected);
    EXPECT_EQ(kept.sink.JsonLines(), "") << "lines are kept only when asked for";

    // Lines kept as they come, without the calls: the same text, and the same streams.
    SinkFixture lines;
    lines.sink.KeepCalls(false);
    lines.sink.KeepJsonLines(true);
    MakeEveryKindOfCall(lines.sink);
    EXPECT_EQ(lines.sink.JsonLines(), expected);
    EXPECT_TRUE(lines.sink.Calls().empty());
    EXPECT_EQ(lines.listing.str(), kept.listing.str());
    EXPECT_EQ(lines.diagnostics.str(), kept.diagnostics.str());
    lines.sink.Forget();
    EXPECT_EQ(lines.sink.JsonLines(), "");
    EXPECT_FALSE(lines.sink.HasError());
}

TEST(LogJson, EscapesControlCharactersAndKeepsEmbeddedNulBytes) {
    kv::host::LogCall call;
    call.op = kv::host::LogOp::Print;
    call.text = std::string("a\nb\tc\0d", 7);
    EXPECT_EQ(kv::host::LogCallToJson(call),
              "{\"op\":\"Print\",\"kind\":0,\"text\":\"a\\nb\\tc\\u0000d\"}");
}

}  // namespace
