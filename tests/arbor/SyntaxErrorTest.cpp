// Syntax errors: one per faulty line, each with its line, column, code and message.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "arbor/RecipeParser.h"
#include "arbor/SyntaxMessages.h"
#include "support/HostEncoding.h"

namespace {

struct ExpectedError {
    std::string text;
    int column;
    int code;
    std::string message;
};

void ExpectSingleError(const ExpectedError& expected) {
    ParsedRecipe parsed = ParseRecipe(expected.text, RecipeEncoding::Utf8);
    EXPECT_TRUE(parsed.blocks.empty()) << expected.text;
    ASSERT_EQ(parsed.errors.size(), 1u) << expected.text;
    const SyntaxError& error = parsed.errors[0];
    EXPECT_EQ(error.line, 1) << expected.text;
    EXPECT_EQ(error.column, expected.column) << expected.text;
    EXPECT_EQ(error.code, expected.code) << expected.text;
    // These recipes are parsed as UTF-8; the Windows build's messages are GBK, and one that
    // quotes a UTF-8 character mixes both encodings, which no host ever sees.
    const bool mixed = kPlatformRecipeEncoding == RecipeEncoding::Gbk &&
                       std::any_of(expected.text.begin(), expected.text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!mixed) {
        EXPECT_EQ(kv::test::Utf8(error.message), expected.message) << expected.text;
    }
}

TEST(SyntaxError, BadBytesAreReportedAtTheByte) {
    const std::vector<ExpectedError> cases = {
        {std::string("x = \0 1", 7), 5, 9002, "语法错误：应为<文本字符>，实际为<空字符>"},
        {"x = \xFF", 5, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xFF>"},
        {"\xE5\x8A = 1", 1, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xE5>"},
        {"x = \xC0\xAF", 5, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xC0>"},
        {"x = \xED\xA0\x80", 5, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xED>"},
        {"x = \xF4\x90\x80\x80", 5, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xF4>"},
        {"x = 1 // \x80", 10, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0x80>"},
        // The byte check comes first, wherever the grammar would fail.
        {"3x = \xFE", 6, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xFE>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);
}

TEST(SyntaxError, QuotesAndParenthesesMustPair) {
    const std::vector<ExpectedError> cases = {
        {R"(say("abc) // x)", 5, 9003, "语法错误：应为<与之配对的双引号>，实际为<行尾>"},
        {"heat(180, 5", 5, 9004, "语法错误：应为<与之配对的右括号>，实际为<行尾>"},
        {"f(", 2, 9004, "语法错误：应为<与之配对的右括号>，实际为<行尾>"},
        {"x = (1 + (2)", 5, 9004, "语法错误：应为<与之配对的右括号>，实际为<行尾>"},
        {"f(a, (b)", 2, 9004, "语法错误：应为<与之配对的右括号>，实际为<行尾>"},
        {"f(a, (b", 6, 9004, "语法错误：应为<与之配对的右括号>，实际为<行尾>"},
        {"x = 1)", 6, 9005, "语法错误：应为<与之配对的左括号>，实际为<)>"},
        {"a > 1) => f()", 6, 9005, "语法错误：应为<与之配对的左括号>，实际为<)>"},
        {"f(1))", 5, 9005, "语法错误：应为<与之配对的左括号>，实际为<)>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);
}

TEST(SyntaxError, NamesAndOperatorsMustBeWhereTheGrammarWantsThem) {
    const std::vector<ExpectedError> cases = {
        {"= 5", 1, 9006, "语法错误：应为<名称>，实际为<=>"},
        {"x > 1, > 2 => f()", 8, 9006, "语法错误：应为<名称>，实际为<>>"},
        {R"("x" = 1)", 1, 9006, R"(语法错误：应为<名称>，实际为<">)"},
        // A second byte-order mark is no name character: it would vanish when read back.
        {"\xEF\xBB\xBF\xEF\xBB\xBFx = 1", 1, 9006, "语法错误：应为<名称>，实际为<\xEF\xBB\xBF>"},
        {"3x = 1", 1, 9007, "语法错误：应为<不以数字开头的名称>，实际为<3x>"},
        {"f(1); 2go()", 7, 9007, "语法错误：应为<不以数字开头的名称>，实际为<2go>"},
        {"x = 1 => f()", 3, 9008, "语法错误：应为<比较运算符（==、!=、>、>=、<、<=）>，实际为<=>"},
        {"x => f()", 3, 9008, "语法错误：应为<比较运算符（==、!=、>、>=、<、<=）>，实际为<=>>"},
        {"heat 180", 6, 9009, "语法错误：应为<“(”或“=”>，实际为<1>"},
        {"heat", 5, 9009, "语法错误：应为<“(”或“=”>，实际为<行尾>"},
        {"x == 1", 3, 9009, "语法错误：应为<“(”或“=”>，实际为<==>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);
}

TEST(SyntaxError, OperandsArgumentsConditionsAndActionsMustNotBeEmpty) {
    const std::vector<ExpectedError> cases = {
        {"x = ", 5, 9010, "语法错误：应为<操作数>，实际为<行尾>"},
        {"x = ; f()", 5, 9010, "语法错误：应为<操作数>，实际为<;>"},
        {"x >= , y > 1 => f()", 6, 9010, "语法错误：应为<操作数>，实际为<,>"},
        {"x > => f()", 5, 9010, "语法错误：应为<操作数>，实际为<=>>"},
        {"f(1,,2)", 5, 9011, "语法错误：应为<参数>，实际为<,>"},
        {"f(1, )", 6, 9011, "语法错误：应为<参数>，实际为<)>"},
        {"f(,1)", 3, 9011, "语法错误：应为<参数>，实际为<,>"},
        {"=> f()", 1, 9012, "语法错误：应为<条件>，实际为<=>>"},
        {"x > 1, => f()", 8, 9012, "语法错误：应为<条件>，实际为<=>>"},
        {", x > 1 => f()", 1, 9012, "语法错误：应为<条件>，实际为<,>"},
        {"f();; g()", 5, 9013, "语法错误：应为<动作>，实际为<;>"},
        {"f();", 5, 9013, "语法错误：应为<动作>，实际为<行尾>"},
        {"x > 1 =>   // nothing", 12, 9013, "语法错误：应为<动作>，实际为<行尾>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);
}

TEST(SyntaxError, SeparatorsMustFitTheirList) {
    const std::vector<ExpectedError> cases = {
        {"x > 1; y > 2 => f()", 6, 9014, "语法错误：应为<“,”或“=>”>，实际为<;>"},
        {"f(1; 2)", 4, 9015, "语法错误：应为<“,”或“)”>，实际为<;>"},
        {"x = 1, y = 2", 6, 9016, "语法错误：应为<“;”或行尾>，实际为<,>"},
        {"heat(1) now", 9, 9017, "语法错误：应为<调用结束后的“;”或行尾>，实际为<n>"},
        {"heat(1) 加", 9, 9017, "语法错误：应为<调用结束后的“;”或行尾>，实际为<加>"},
        {"x > 1 => f() => g()", 14, 9018, "语法错误：应为<每行至多一个“=>”>，实际为<=>>"},
        {"x > 1 => y = 2 => g()", 16, 9018, "语法错误：应为<每行至多一个“=>”>，实际为<=>>"},
        {"x > 1 => => g()", 10, 9018, "语法错误：应为<每行至多一个“=>”>，实际为<=>>"},
        {"a > 1 => x => 2", 12, 9018, "语法错误：应为<每行至多一个“=>”>，实际为<=>>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);
}

// An input method's full-width marks would otherwise be read as name characters and swallow the
// rest of the action into a value.
TEST(SyntaxError, FullWidthPunctuationIsCaughtWithTheMarkItStandsFor) {
    const std::vector<ExpectedError> cases = {
        {"task_t1 = 1； heat(180, 2min)", 12, 9019, "语法错误：应为<半角标点>，实际为<；>"},
        {"heat(180， 2min)", 9, 9019, "语法错误：应为<半角标点>，实际为<，>"},
        {"heat（180)", 5, 9019, "语法错误：应为<半角标点>，实际为<（>"},
        {"x ＝ 1", 3, 9019, "语法错误：应为<半角标点>，实际为<＝>"},
        // The first mark is the one reported, after any bad byte and before the grammar.
        {"say(\"a；b\")）", 13, 9019, "语法错误：应为<半角标点>，实际为<）>"},
        {"3x = 1；", 7, 9019, "语法错误：应为<半角标点>，实际为<；>"},
    };
    for (const auto& expected : cases) ExpectSingleError(expected);

    ParsedRecipe parsed = ParseRecipe("x = 1; y = 2，z", RecipeEncoding::Utf8);
    ASSERT_EQ(parsed.errors.size(), 1u);
    // The hint is ASCII in every build, around the mark's own UTF-8 bytes.
    EXPECT_EQ(parsed.errors[0].note, "full-width '，': did you mean ','?");
    // GBK text is told by its own bytes: A3 BB is "；" there, and no UTF-8 form is looked for.
    parsed = ParseRecipe("x = 1\xA3\xBB y = 2", RecipeEncoding::Gbk);
    ASSERT_EQ(parsed.errors.size(), 1u);
    EXPECT_EQ(parsed.errors[0].column, 6);
    EXPECT_EQ(parsed.errors[0].note, "full-width '\xA3\xBB': did you mean ';'?");
}

// The screening steps over runs of plain ASCII eight bytes at a time; what it looks for is found
// at every place in such a run.
TEST(SyntaxError, TheScreeningFindsItsByteWhereverItFalls) {
    for (int pad = 0; pad < 18; ++pad) {
        const std::string lead = "x = " + std::string(static_cast<size_t>(pad), ' ');
        const int column = 5 + pad;
        ExpectSingleError({lead + std::string("\0", 1), column, 9002,
                           "语法错误：应为<文本字符>，实际为<空字符>"});
        ExpectSingleError(
            {lead + "\xFF", column, 9001, "语法错误：应为<合法编码的字符>，实际为<字节0xFF>"});
        ExpectSingleError(
            {lead + "\"abc", column, 9003, "语法错误：应为<与之配对的双引号>，实际为<行尾>"});
        ExpectSingleError({lead + "；", column, 9019, "语法错误：应为<半角标点>，实际为<；>"});
        // A comment hides what follows it, wherever its slashes fall.
        ParsedRecipe parsed = ParseRecipe(lead + "1// ；\xFF\"", RecipeEncoding::Utf8);
        EXPECT_EQ(parsed.errors.size(), 1u) << pad;  // only the bad byte, which comes first
        parsed = ParseRecipe(lead + "1// ；\"", RecipeEncoding::Utf8);
        EXPECT_TRUE(parsed.errors.empty()) << pad;
    }
}

TEST(SyntaxError, FullWidthMarksInQuotesAndCommentsAreText) {
    for (const char* text : {"say(\"一，二；三\")", "x = 1 // 注释；（全角）", "材料 = 1"}) {
        ParsedRecipe parsed = ParseRecipe(text, RecipeEncoding::Utf8);
        EXPECT_TRUE(parsed.errors.empty()) << text;
        EXPECT_EQ(parsed.blocks.size(), 1u) << text;
    }
}

TEST(SyntaxError, EveryFaultyLineIsReportedOnceAndNoBlockIsKept) {
    const std::string recipe = "x = 1\r\n3y = 2 ; z = \r\n// ok\n\nf(\nwait()\ng(1)) x";
    ParsedRecipe parsed = ParseRecipe(recipe, RecipeEncoding::Utf8);
    EXPECT_TRUE(parsed.blocks.empty());
    std::vector<std::tuple<int, int, int>> positions;
    for (const auto& error : parsed.errors) {
        positions.emplace_back(error.line, error.column, error.code);
    }
    EXPECT_EQ(positions,
              (std::vector<std::tuple<int, int, int>>{{2, 1, 9007}, {5, 2, 9004}, {7, 5, 9005}}));
}

TEST(SyntaxError, ColumnsOnTheFirstLineStartAfterTheByteOrderMark) {
    ParsedRecipe parsed = ParseRecipe("\xEF\xBB\xBFx = ", RecipeEncoding::Utf8);
    ASSERT_EQ(parsed.errors.size(), 1u);
    EXPECT_EQ(parsed.errors[0].column, 5);
}

}  // namespace
