// Recipe parsing: tree shapes, token types, lines and columns, encodings, reclassification.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TreeDescription.h"
#include "arbor/RecipeParser.h"

namespace {

using kv::test::Describe;

// The trees of a recipe that must parse without errors.
std::vector<std::string> Trees(const std::string& text,
                               RecipeEncoding encoding = RecipeEncoding::Utf8) {
    ParsedRecipe parsed = ParseRecipe(text, encoding);
    EXPECT_TRUE(parsed.errors.empty()) << parsed.errors.front().message;
    std::vector<std::string> trees;
    for (const auto& block : parsed.blocks) trees.push_back(Describe(block.get()));
    return trees;
}

TEST(RecipeParser, BuildsConditionsAndActionsWithTypesAndColumns) {
    EXPECT_EQ(Trees("time >= 10 => task_1 = 3; heat(180, 5kg)"),
              std::vector<std::string>{
                  "{{>=/3@1:6(time/1@1:1 10/2@1:9)} "
                  "{=/3@1:22(task_1/1@1:15 3/2@1:24) heat/4@1:27(180/2@1:32 5kg/2@1:37)}}"});
}

TEST(RecipeParser, BlockWithoutConditionsHasAnEmptyConditionsSection) {
    EXPECT_EQ(Trees("wait()"), std::vector<std::string>{"{{} {wait/4@1:1}}"});
    EXPECT_EQ(Trees("a>1,b!=2=>c=x"),
              std::vector<std::string>{"{{>/3@1:2(a/1@1:1 1/2@1:3) !=/3@1:6(b/1@1:5 2/2@1:8)} "
                                       "{=/3@1:12(c/1@1:11 x/255@1:13)}}"});
}

TEST(RecipeParser, EveryComparisonOperatorIsOneToken) {
    EXPECT_EQ(Trees("a == 1, b != 2, c > 3, d >= 4, e < 5, f <= 6 => g()"),
              std::vector<std::string>{
                  "{{==/3@1:3(a/1@1:1 1/2@1:6) !=/3@1:11(b/1@1:9 2/2@1:14) "
                  ">/3@1:19(c/1@1:17 3/2@1:21) >=/3@1:26(d/1@1:24 4/2@1:29) "
                  "</3@1:34(e/1@1:32 5/2@1:36) <=/3@1:41(f/1@1:39 6/2@1:44)} {g/4@1:49}}"});
}

TEST(RecipeParser, LinesCountCommentsBlanksAndCrlf) {
    const std::string recipe = "// header\r\n\r\n  x = 1 // set\r\n\t// only a comment\nwait()";
    EXPECT_EQ(Trees(recipe),
              (std::vector<std::string>{"{{} {=/3@3:5(x/1@3:3 1/2@3:7)}}", "{{} {wait/4@5:1}}"}));
    // A stray carriage return before the line end is space, not part of the value.
    EXPECT_EQ(Trees("x = 1\r\r\n"), std::vector<std::string>{"{{} {=/3@1:3(x/1@1:1 1/2@1:5)}}"});
}

TEST(RecipeParser, ColumnsCountBytesOfNonAsciiNamesAndSkipTheByteOrderMark) {
    EXPECT_EQ(Trees("\xEF\xBB\xBF加热(5) ; 温度 = 3\n油.温 > 1 => x = 2"),
              (std::vector<std::string>{
                  "{{} {加热/4@1:1(5/2@1:8) =/3@1:20(温度/1@1:13 3/2@1:22)}}",
                  "{{>/3@2:9(油.温/1@2:1 1/2@2:11)} {=/3@2:18(x/1@2:16 2/2@2:20)}}"}));
}

TEST(RecipeParser, OperandsKeepQuotedTextAndNestedParentheses) {
    EXPECT_EQ(Trees(R"(say("a, b; c) // d", x); y = max(a, (b + 1)) * 2; f(g(1, 2), "=>"))"),
              std::vector<std::string>{R"({{} {say/4@1:1("a, b; c) // d"/2@1:5 x/255@1:22) )"
                                       R"(=/3@1:28(y/1@1:26 max(a, (b + 1)) * 2/255@1:30) )"
                                       R"(f/4@1:51(g(1, 2)/255@1:53 "=>"/2@1:62)}})"});
}

TEST(RecipeParser, ArrowInsideParenthesesOrQuotesDoesNotSplitTheBlock) {
    EXPECT_EQ(Trees(R"(f(a => b); x = "=>")"),
              std::vector<std::string>{
                  R"({{} {f/4@1:1(a => b/255@1:3) =/3@1:14(x/1@1:12 "=>"/2@1:16)}})"});
}

TEST(RecipeParser, EmptyAndCommentOnlyTextsGiveNoBlocks) {
    for (const char* text : {"", "\n\n", "   \t ", "// x = (", "\xEF\xBB\xBF", "\r\n"}) {
        ParsedRecipe parsed = ParseRecipe(text, RecipeEncoding::Utf8);
        EXPECT_TRUE(parsed.blocks.empty()) << text;
        EXPECT_TRUE(parsed.errors.empty()) << text;
    }
}

TEST(RecipeParser, HandsOnEachKeptBlockAsItIsBuiltAndNoneAfterAnError) {
    std::vector<std::string> seen;
    const auto see = [&seen](ISyntaxTreeNode* block) { seen.push_back(Describe(block)); };
    const auto text = [](const char* recipe) {
        return std::make_shared<const std::string>(recipe);
    };

    ParsedRecipe clean = ParseRecipe(text("a()\n\n// b()\nc()\n"), RecipeEncoding::Utf8, see);
    ASSERT_EQ(clean.blocks.size(), 2u);
    EXPECT_EQ(seen, (std::vector<std::string>{Describe(clean.blocks[0].get()),
                                              Describe(clean.blocks[1].get())}));

    // The block before the error was handed on; it is dropped with the rest all the same.
    seen.clear();
    ParsedRecipe faulty = ParseRecipe(text("a()\nb(\nc()\n"), RecipeEncoding::Utf8, see);
    EXPECT_EQ(seen, (std::vector<std::string>{"{{} {a/4@1:1}}"}));
    EXPECT_TRUE(faulty.blocks.empty());
    EXPECT_EQ(faulty.errors.size(), 1u);
}

TEST(RecipeParser, GbkNamesMayEndInAsciiRangeBytes) {
    // 0x81 0x7C is one GBK character whose second byte is '|'.
    EXPECT_EQ(Trees("\x81\x7C = 5\xC7\xA7\xBF\xCB", RecipeEncoding::Gbk),
              std::vector<std::string>{"{{} {=/3@1:4(\x81\x7C/1@1:1 5\xC7\xA7\xBF\xCB/2@1:6)}}"});
}

TEST(RecipeParser, LongLinesAndDeepNestingParseInOnePass) {
    std::string nested = "x = " + std::string(200000, '(') + std::string(200000, ')');
    ParsedRecipe deep = ParseRecipe(nested, RecipeEncoding::Utf8);
    ASSERT_EQ(deep.blocks.size(), 1u);

    std::string call = "f(1";
    for (int i = 0; i < 200000; ++i) call += ", 1";
    call += ")";
    ParsedRecipe wide = ParseRecipe(call, RecipeEncoding::Utf8);
    ASSERT_EQ(wide.blocks.size(), 1u);
    EXPECT_EQ(wide.blocks[0]->GetChildren()[1]->GetChildren()[0]->GetChildren().size(), 200001u);
}

TEST(TokenClassifier, ValueTextsAreLiteralsOrOtherWords) {
    for (const char* literal :
         {"180", "2.5", "5kg", "-3", "+4", "180℃", "30%", "100r/min", "5m3", R"("text")", R"("")",
          R"("a, (b")", "#speed", "#speed#", "#加热", "#oven.temp", "null", "NULL", "nUlL"}) {
        EXPECT_EQ(ClassifyValueText(literal, RecipeEncoding::Utf8), kv::TokenType::Literal)
            << literal;
    }
    for (const char* other :
         {"", "low", "a+#speed*2", "#", "##", "#speed*2", R"("a" + "b")", R"("a)", "5 kg", "5.",
          ".5", "1.2.3", "5kg!", "-", "nul", "nulls", R"(GetParaVar("#x#"))", "kg5x"}) {
        EXPECT_EQ(ClassifyValueText(other, RecipeEncoding::Utf8), kv::TokenType::Unknown) << other;
    }
    EXPECT_EQ(ClassifyValueText("5\xC7\xA7\xBF\xCB", RecipeEncoding::Gbk), kv::TokenType::Literal);
}

TEST(TokenClassifier, ReclassifyReadsTheCurrentTextAndThePlaceInTheTree) {
    ParsedRecipe parsed = ParseRecipe("a == low => x = low; f(low, 2)", RecipeEncoding::Utf8);
    ASSERT_EQ(parsed.blocks.size(), 1u);
    ISyntaxTreeNode* block = parsed.blocks[0].get();
    ISyntaxTreeNode* comparison = block->GetChildren()[0]->GetChildren()[0];
    ISyntaxTreeNode* assignment = block->GetChildren()[1]->GetChildren()[0];
    ISyntaxTreeNode* call = block->GetChildren()[1]->GetChildren()[1];

    assignment->GetChildren()[1]->GetToken()->SetText("1");
    call->GetChildren()[0]->GetToken()->SetText(R"("a")");
    call->GetChildren()[1]->GetToken()->SetText("a+b");
    comparison->GetChildren()[0]->GetToken()->SetText("超时");
    comparison->GetToken()->SetText(">=");
    call->GetToken()->SetType(kv::TokenType::Unknown);
    assignment->GetChildren()[0]->GetToken()->SetType(kv::TokenType::Unknown);
    for (ISyntaxTreeNode* node :
         {assignment->GetChildren()[1], call->GetChildren()[0], call->GetChildren()[1],
          comparison->GetChildren()[0], comparison, call, assignment->GetChildren()[0],
          comparison->GetChildren()[1], assignment, block, block->GetChildren()[0]}) {
        ReclassifyToken(node);
    }
    ReclassifyToken(nullptr);

    EXPECT_EQ(Describe(block, false),
              R"({{>=/3(超时/1 low/255)} {=/3(x/1 1/2) f/4("a"/2 a+b/255)}})");
}

}  // namespace
