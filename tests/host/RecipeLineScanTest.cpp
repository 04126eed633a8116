// Tests of the recipe-line scanner that widens a caret to its call, statement or value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/RecipeLineScan.h"

namespace {

using kv::host::ColumnSpan;
using kv::host::RecipeLineScan;

// The texts of the call's arguments, in order.
std::vector<std::string> ArgumentTexts(const RecipeLineScan& scan, int column) {
    std::vector<std::string> texts;
    if (const kv::host::ScannedCall* call = scan.CallAt(column)) {
        for (const ColumnSpan& argument : call->arguments) {
            texts.emplace_back(scan.Text(argument));
        }
    }
    return texts;
}

// The text RangeAt underlines for a caret at column, "" for none.
std::string Underlined(const RecipeLineScan& scan, int column) {
    const std::optional<ColumnSpan> range = scan.RangeAt(column);
    return range ? std::string(scan.Text(*range)) : "";
}

TEST(RecipeLineScan, FindsCallsAndStatementsAtTheirByteColumnsThroughChineseText) {
    const std::string line = "pot.temp >= 160 => task_t1 = 2; add(鸡块, 0.5kg); stir(#speed)";
    const RecipeLineScan scan(line);
    // 鸡块 is six bytes, columns 37 to 42: the call ends past the ")" at 50.
    const kv::host::ScannedCall* add = scan.CallAt(33);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->whole.begin, 33);
    EXPECT_EQ(add->whole.end, 51);
    EXPECT_EQ(ArgumentTexts(scan, 33), (std::vector<std::string>{"鸡块", "0.5kg"}));
    EXPECT_EQ(add->arguments[0].begin, 37);
    EXPECT_EQ(add->arguments[0].end, 43);
    EXPECT_EQ(ArgumentTexts(scan, 53), (std::vector<std::string>{"#speed"}));

    const kv::host::ScannedStatement* condition = scan.StatementAt(1);
    ASSERT_NE(condition, nullptr);
    EXPECT_EQ(scan.Text(condition->op), ">=");
    EXPECT_EQ(scan.Text(condition->value), "160");
    const kv::host::ScannedStatement* marker = scan.StatementAt(20);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(scan.Text(marker->whole), "task_t1 = 2");
    EXPECT_EQ(scan.CallAt(34), nullptr);
    EXPECT_EQ(scan.StatementAt(2), nullptr);
}

TEST(RecipeLineScan, UnderlinesTheWholeCallOrStatementAtItsNameElseThePieceAtTheCaret) {
    const RecipeLineScan scan("time >= 300 => task_t1 = 3; heat(180,  2min ); stir(30)");
    EXPECT_EQ(Underlined(scan, 1), "time >= 300");
    EXPECT_EQ(Underlined(scan, 29), "heat(180,  2min )");
    // An argument, the middle of one, an operator, the middle of a name.
    EXPECT_EQ(Underlined(scan, 34), "180");
    EXPECT_EQ(Underlined(scan, 41), "2min");
    EXPECT_EQ(Underlined(scan, 6), ">=");
    EXPECT_EQ(Underlined(scan, 31), "heat");
    // Blanks and separators belong to nothing.
    EXPECT_EQ(Underlined(scan, 5), "");
    EXPECT_EQ(Underlined(scan, 27), "");
    EXPECT_EQ(Underlined(scan, 100), "");
}

TEST(RecipeLineScan, ReadsQuotesParenthesesAndCommentsTheWayTheParserDoes) {
    // A quoted comma or parenthesis is text; nested parentheses keep their commas.
    const RecipeLineScan quoted(R"x(say("a, b)", 1); mix(a+(b,c), 2) // note(9))x");
    EXPECT_EQ(ArgumentTexts(quoted, 1), (std::vector<std::string>{"\"a, b)\"", "1"}));
    EXPECT_EQ(ArgumentTexts(quoted, 18), (std::vector<std::string>{"a+(b,c)", "2"}));
    // The comment's call is no call.
    EXPECT_EQ(quoted.Calls().size(), 2u);

    // A call without arguments, and an assignment whose value holds "=>" in quotes.
    const RecipeLineScan empty(R"(wait(); label = "a=>b")");
    ASSERT_NE(empty.CallAt(1), nullptr);
    EXPECT_TRUE(empty.CallAt(1)->arguments.empty());
    EXPECT_EQ(Underlined(empty, 1), "wait()");
    EXPECT_EQ(Underlined(empty, 9), R"(label = "a=>b")");
}

TEST(RecipeLineScan, ALineThatBreaksTheGrammarYieldsWhatCanBeRead) {
    // An unclosed call runs to the end of the line.
    const RecipeLineScan unclosed("stir(3); heat(180, 2min");
    EXPECT_EQ(Underlined(unclosed, 1), "stir(3)");
    EXPECT_EQ(Underlined(unclosed, 10), "heat(180, 2min");
    EXPECT_EQ(ArgumentTexts(unclosed, 10), (std::vector<std::string>{"180", "2min"}));
    // A word with neither "(" nor an operator, a lone operator, an empty line.
    EXPECT_TRUE(RecipeLineScan("just words; = 1").Statements().empty());
    EXPECT_TRUE(RecipeLineScan("").Calls().empty());
    EXPECT_EQ(Underlined(RecipeLineScan(")))"), 1), "");
}

}  // namespace
