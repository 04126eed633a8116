// Tests of the drive helpers that place each block on its source line and render the program.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/ExitHandOver.h"
#include "host/RecipeDrive.h"

namespace {

using kv::host::BlockLines;
using kv::host::RenderProgram;

std::vector<ISyntaxTreeNode*> Blocks(const ParsedRecipe& parsed) {
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    return blocks;
}

ParsedRecipe Parse(const std::string& text) {
    ParsedRecipe parsed = ParseRecipe(text, RecipeEncoding::Utf8);
    EXPECT_TRUE(parsed.errors.empty()) << text;
    return parsed;
}

TEST(BlockLines, GiveTheLineOfEachBlocksFirstTokenLeafAndZeroWithoutOne) {
    const ParsedRecipe parsed = Parse("time >= 10 => a = 1\n\n   b = 2\nf(x)\n");
    EXPECT_EQ(BlockLines(Blocks(parsed)), (std::vector<int>{1, 3, 4}));

    // Built by hand: a call on line 7 whose argument sits on line 9. The call's token has
    // children, so the first token leaf is the argument, as CollectNodes lists it.
    std::unique_ptr<ISyntaxTreeNode> block(newSyntaxTreeNode(nullptr, nullptr));
    newSyntaxTreeNode(nullptr, block.get());  // no conditions
    ISyntaxTreeNode* actions = newSyntaxTreeNode(nullptr, block.get());
    ISyntaxTreeNode* call =
        newSyntaxTreeNode(newToken("f", 1, 7, 7, kv::TokenType::Function), actions);
    newSyntaxTreeNode(newToken("x", 3, 9, 9, kv::TokenType::Literal), call);
    std::unique_ptr<ISyntaxTreeNode> bare(newSyntaxTreeNode(nullptr, nullptr));
    newSyntaxTreeNode(nullptr, bare.get());
    newSyntaxTreeNode(nullptr, bare.get());
    EXPECT_EQ(BlockLines({block.get(), bare.get(), nullptr}), (std::vector<int>{9, 0, 0}));
}

TEST(RenderProgram, RendersEachBlockOnItsLineAndLeavesTheOtherLinesEmpty) {
    // Rendered, not copied: the spacing is the renderer's.
    const ParsedRecipe parsed = Parse("time>=10=>a=1\n\nb =2 ;f( x,y )\n\n\n");
    const std::vector<ISyntaxTreeNode*> blocks = Blocks(parsed);
    EXPECT_EQ(RenderProgram(blocks, BlockLines(blocks), 5),
              "time >= 10 => a = 1\n\nb = 2; f(x, y)\n\n\n");
}

TEST(RenderProgram, ALaterBlockOnTheSameLineWinsAndBlocksBeyondTheCountAddLines) {
    const ParsedRecipe parsed = Parse("a = 1\nb = 2\nc = 3\n");
    const std::vector<ISyntaxTreeNode*> blocks = Blocks(parsed);
    ASSERT_EQ(blocks.size(), 3u);
    // a and c both claim line 3, b line 1; a count of 2 still reaches line 3.
    EXPECT_EQ(RenderProgram(blocks, {3, 1, 3}, 2), "b = 2\n\nc = 3\n");
    // A block without a line is left out; no line count and no block give no text.
    EXPECT_EQ(RenderProgram(blocks, {0, 0, 2}, 1), "\nc = 3\n");
    EXPECT_EQ(RenderProgram(blocks, {0, 0, 0}, -1), "");
    EXPECT_EQ(RenderProgram({}, {}, 0), "");
    // Fewer lines than blocks: the blocks without one are not rendered.
    EXPECT_EQ(RenderProgram(blocks, {2}, 3), "\na = 1\n\n");
}

TEST(RenderProgram, AProgramWhoseLinesGrowLongerTowardsItsEndComesOutWhole) {
    // The buffer is sized from the lines rendered so far; here every guess falls short. The
    // recipe is written as the renderer writes it, so it must come back unchanged.
    std::string recipe;
    for (int line = 1; line <= 3000; ++line) {
        if (line % 3 != 0) {
            recipe += "v" + std::to_string(line) + " = \"" + std::string(line / 10 + 1, 'x') + "\"";
        }
        recipe += '\n';
    }
    const ParsedRecipe parsed = Parse(recipe);
    const std::vector<ISyntaxTreeNode*> blocks = Blocks(parsed);
    ASSERT_EQ(blocks.size(), 2000u);
    EXPECT_EQ(RenderProgram(blocks, BlockLines(blocks), 3000), recipe);
}

// Records the order in which the drive's analyzer and checker go.
struct Departures {
    std::vector<std::string> gone;
};

class RecordedChecker : public ISemanticGenerator {
public:
    explicit RecordedChecker(Departures& departures) : departures_(departures) {}
    ~RecordedChecker() override { departures_.gone.push_back("checker"); }
    bool Analyze(ISyntaxTreeNode*, std::vector<ISyntaxTreeNode*>*) override { return false; }
    bool DeAnalyze(ISyntaxTreeNode*) override { return false; }
    bool GetNeedReSyntaxAnalyze() override { return false; }

private:
    Departures& departures_;
};

class RecordedAnalyzer : public ISemanticAnalyzer {
public:
    explicit RecordedAnalyzer(Departures& departures) : departures_(departures) {}
    ~RecordedAnalyzer() override { departures_.gone.push_back("analyzer"); }
    void BeforeAnalyze(ISyntaxTreeNode*) override {}
    void EndAnalyze(ISyntaxTreeNode*) override {}
    void GetAppSemanticAnalyzers(std::vector<ISemanticGenerator*>& out) override {
        out.push_back(new RecordedChecker(departures_));
    }
    void AppParamDataVmPro(std::vector<ISyntaxTreeNode*>&) override {}

private:
    Departures& departures_;
};

TEST(DriveAnalyzer, DeletesTheCheckersFirstThenTheAnalyzerAtOnceOrWhenTheHandOverGoes) {
    const ParsedRecipe parsed = Parse("a = 1\n");
    const std::vector<ISyntaxTreeNode*> blocks = Blocks(parsed);
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    const std::vector<std::string> order = {"checker", "analyzer"};

    Departures atOnce;
    kv::host::DriveAnalyzer(std::make_unique<RecordedAnalyzer>(atOnce), *visitor, blocks,
                            kv::host::AllNodesOf(*visitor, blocks));
    EXPECT_EQ(atOnce.gone, order);

    Departures handedOver;
    {
        kv::host::ExitHandOver remains;
        kv::host::DriveAnalyzer(std::make_unique<RecordedAnalyzer>(handedOver), *visitor, blocks,
                                kv::host::AllNodesOf(*visitor, blocks), &remains);
        EXPECT_TRUE(handedOver.gone.empty());
    }
    EXPECT_EQ(handedOver.gone, order);
}

}  // namespace
