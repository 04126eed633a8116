// Lifetime of parsed trees: nodes of a parsed block that are detached, moved, adopted, rewritten
// or deleted in any order stay usable as long as they live, and everything is freed once.
// The sanitizer build runs these with leak detection, which judges the freeing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CountingToken.h"
#include "TreeDescription.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/RecipeParser.h"

namespace {

using kv::test::CountingToken;
using kv::test::Describe;

ParsedRecipe Parse(const std::string& text) {
    ParsedRecipe parsed = ParseRecipe(text, RecipeEncoding::Utf8);
    EXPECT_TRUE(parsed.errors.empty());
    return parsed;
}

// The statements of a block: the children of its actions section.
std::vector<ISyntaxTreeNode*>& Actions(ISyntaxTreeNode* block) {
    return block->GetChildren().at(1)->GetChildren();
}

TEST(ArborTreeLifetime, DetachedNodeOutlivesItsTreeAndTheParseResult) {
    std::unique_ptr<ISyntaxTreeNode> call;
    {
        ParsedRecipe parsed = Parse("a = 1; stir(low, \"x y\")\n");
        ISyntaxTreeNode* block = parsed.blocks.at(0).get();
        call.reset(Actions(block).at(1));
        block->GetChildren().at(1)->RemoveChild(call.get());
        EXPECT_EQ(Describe(block), "{{} {=/3@1:3(a/1@1:1 1/2@1:5)}}");
    }
    // Text, positions and the subtree are still those of the line, now gone.
    EXPECT_EQ(call->GetParent(), nullptr);
    EXPECT_EQ(call->GetRoot(), call.get());
    EXPECT_EQ(Describe(call.get()), "stir/4@1:8(low/255@1:13 \"x y\"/2@1:18)");
    EXPECT_EQ(call->GetToken()->GetSourceText(), "stir");
    EXPECT_EQ(call->GetToken()->GetEndLine(), 1);
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    EXPECT_EQ(visitor->ToText(call.get()), "stir(low, \"x y\")");
    // Its children can go before it, and it can go without them.
    delete call->GetChildren().front();
    EXPECT_EQ(Describe(call.get()), "stir/4@1:8(\"x y\"/2@1:18)");
}

TEST(ArborTreeLifetime, ATextSharedWithTheParseLivesAsLongAsItsNodes) {
    auto text = std::make_shared<const std::string>("f(1)\ng(2) // two\n");
    const std::weak_ptr<const std::string> watch = text;
    std::unique_ptr<ISyntaxTreeNode> call;
    {
        ParsedRecipe parsed = ParseRecipe(std::move(text), RecipeEncoding::Utf8);
        ASSERT_TRUE(parsed.errors.empty());
        call.reset(Actions(parsed.blocks.at(1).get()).at(0));
        call->GetParent()->RemoveChild(call.get());
    }
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(Describe(call.get()), "g/4@2:1(2/2@2:3)");
    call.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(ParseRecipe(std::shared_ptr<const std::string>()).blocks.empty());
}

TEST(ArborTreeLifetime, NodeMovedToAnotherTreeSurvivesItsOwnTree) {
    ParsedRecipe parsed = Parse("x = 1\n\nheat(180, 5kg); y = 2\n");
    ASSERT_EQ(parsed.blocks.size(), 2u);
    ISyntaxTreeNode* first = parsed.blocks[0].get();
    ISyntaxTreeNode* heat = Actions(parsed.blocks[1].get()).at(0);
    first->GetChildren().at(1)->AddChild(heat);
    parsed.blocks[1].reset();

    EXPECT_EQ(heat->GetRoot(), first);
    EXPECT_EQ(Describe(first), "{{} {=/3@1:3(x/1@1:1 1/2@1:5) heat/4@3:1(180/2@3:6 5kg/2@3:11)}}");
    // A moved argument can move again, back and forth between the lines' nodes.
    ISyntaxTreeNode* one = first->GetChildren().at(1)->GetChildren().at(0)->GetChildren().at(1);
    heat->AddChild(one);
    EXPECT_EQ(Describe(heat), "heat/4@3:1(180/2@3:6 5kg/2@3:11 1/2@1:5)");
    parsed.blocks[0].reset();
}

TEST(ArborTreeLifetime, NodesOfManyBlocksOutliveTheirBlocksInAnyOrder) {
    // Enough lines that their blocks do not share one piece of memory.
    std::string text;
    constexpr int kLines = 3000;
    for (int i = 0; i < kLines; ++i) text += "t >= " + std::to_string(i) + " => heat(180, 5kg)\n";
    std::vector<std::unique_ptr<ISyntaxTreeNode>> kept;
    {
        ParsedRecipe parsed = Parse(text);
        ASSERT_EQ(parsed.blocks.size(), static_cast<size_t>(kLines));
        for (const int line : {kLines, 1, kLines / 2}) {
            ISyntaxTreeNode* heat = Actions(parsed.blocks[line - 1].get()).at(0);
            heat->GetParent()->RemoveChild(heat);
            kept.emplace_back(heat);
        }
        // Every other block goes first, the rest with the parse result.
        for (size_t i = 0; i < parsed.blocks.size(); i += 2) parsed.blocks[i].reset();
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        const int line = i == 0 ? kLines : i == 1 ? 1 : kLines / 2;
        const int column = 10 + static_cast<int>(std::to_string(line - 1).size());
        EXPECT_EQ(Describe(kept[i].get()),
                  "heat/4@" + std::to_string(line) + ":" + std::to_string(column) + "(180/2@" +
                      std::to_string(line) + ":" + std::to_string(column + 5) + " 5kg/2@" +
                      std::to_string(line) + ":" + std::to_string(column + 10) + ")");
    }
    kept.erase(kept.begin() + 1);
    kept.clear();
}

TEST(ArborTreeLifetime, HeapNodeAdoptedIntoAParsedTreeIsFreedWithIt) {
    int destroyed = 0;
    {
        ParsedRecipe parsed = Parse("f(1)");
        ISyntaxTreeNode* call = Actions(parsed.blocks.at(0).get()).at(0);
        ISyntaxTreeNode* adopted = newSyntaxTreeNode(new CountingToken(&destroyed), call);
        newSyntaxTreeNode(new CountingToken(&destroyed), adopted);
        EXPECT_EQ(Describe(call), "f/4@1:1(1/2@1:3 t/255@1:1(t/255@1:1))");
        // A parsed node can also go under the heap node.
        adopted->AddChild(call->GetChildren().front());
        EXPECT_EQ(Describe(call), "f/4@1:1(t/255@1:1(t/255@1:1 1/2@1:3))");
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(ArborTreeLifetime, AParsedLeafTakesChildren) {
    int destroyed = 0;
    ParsedRecipe parsed = Parse("wait(); f(1)");
    std::vector<ISyntaxTreeNode*>& statements = Actions(parsed.blocks.at(0).get());
    ISyntaxTreeNode* wait = statements.at(0);
    ISyntaxTreeNode* one = statements.at(1)->GetChildren().at(0);
    EXPECT_TRUE(wait->GetChildren().empty());
    EXPECT_TRUE(one->GetChildren().empty());
    // As a call written without arguments gets its task, and from a parsed neighbour.
    wait->AddChild(newSyntaxTreeNode(new CountingToken(&destroyed), nullptr));
    wait->AddChild(one);
    EXPECT_EQ(Describe(parsed.blocks[0].get()), "{{} {wait/4@1:1(t/255@1:1 1/2@1:11) f/4@1:9}}");
    EXPECT_TRUE(wait->GetChildren().front()->IsFirstChild());
    EXPECT_FALSE(one->IsFirstChild());
    wait->RemoveChild(one);
    one->AddChild(wait->GetChildren().front());
    EXPECT_EQ(Describe(one), "1/2@1:11(t/255@1:1)");
    delete one;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Describe(parsed.blocks[0].get()), "{{} {wait/4@1:1 f/4@1:9}}");
}

TEST(ArborTreeLifetime, ChildrenGivenToAParsedLeafGoWithItsBlock) {
    int destroyed = 0;
    {
        ParsedRecipe parsed = Parse("f(1, 2)");
        ISyntaxTreeNode* call = Actions(parsed.blocks.at(0).get()).at(0);
        ISyntaxTreeNode* one = call->GetChildren().at(0);
        ISyntaxTreeNode* two = call->GetChildren().at(1);
        newSyntaxTreeNode(new CountingToken(&destroyed), one);
        two->AddChild(newSyntaxTreeNode(new CountingToken(&destroyed), nullptr));
        EXPECT_EQ(Describe(call), "f/4@1:1(1/2@1:3(t/255@1:1) 2/2@1:6(t/255@1:1))");
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(ArborTreeLifetime, RewrittenTokenKeepsItsSourceText) {
    ParsedRecipe parsed = Parse("  heat(5kg, food12)");
    ISyntaxTreeNode* call = Actions(parsed.blocks.at(0).get()).at(0);
    IToken* weight = call->GetChildren().at(0)->GetToken();
    IToken* food = call->GetChildren().at(1)->GetToken();

    weight->SetText("5.000000");
    food->SetText("a much longer text than any small string buffer holds");
    EXPECT_EQ(weight->GetText(), "5.000000");
    EXPECT_EQ(weight->GetSourceText(), "5kg");
    EXPECT_EQ(food->GetText(), "a much longer text than any small string buffer holds");
    EXPECT_EQ(food->GetSourceText(), "food12");
    EXPECT_EQ(weight->GetColumn(), 8);
    EXPECT_EQ(food->GetColumn(), 13);
    EXPECT_EQ(weight->GetType(), kv::TokenType::Literal);

    // Emptied, rewritten again, and set back to what was written.
    weight->SetText("");
    EXPECT_EQ(weight->GetText(), "");
    weight->SetText("6");
    EXPECT_EQ(weight->GetText(), "6");
    weight->SetText("5kg");
    EXPECT_EQ(weight->GetText(), "5kg");
    EXPECT_EQ(weight->GetSourceText(), "5kg");
    food->SetType(-70000);
    EXPECT_EQ(food->GetType(), -70000);

    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    EXPECT_EQ(visitor->ToText(parsed.blocks[0].get()),
              "heat(5kg, a much longer text than any small string buffer holds)");
}

TEST(ArborTreeLifetime, BlocksAndNodesMayBeDeletedInAnyOrder) {
    ParsedRecipe parsed = Parse("t >= 1 => a = 1; f(1, 2)\nb = 2\ng(3, 4, 5)\n");
    ASSERT_EQ(parsed.blocks.size(), 3u);
    // Arguments deleted while attached, as the analyzer drops them, then whole blocks from the
    // last to the first.
    ISyntaxTreeNode* g = Actions(parsed.blocks[2].get()).at(0);
    delete g->GetChildren().at(1);
    EXPECT_EQ(Describe(g, false), "g/4(3/2 5/2)");
    ISyntaxTreeNode* conditions = parsed.blocks[0]->GetChildren().at(0);
    delete conditions->GetChildren().at(0)->GetChildren().at(0);
    delete conditions;
    EXPECT_EQ(Describe(parsed.blocks[0].get(), false), "{{=/3(a/1 1/2) f/4(1/2 2/2)}}");
    for (size_t i = parsed.blocks.size(); i-- > 0;) parsed.blocks[i].reset();
}

TEST(ArborTreeLifetime, LinesOfAnyLengthKeepTheirTextsAndColumns) {
    // 65535 bytes is the longest line whose tokens share the block's memory; longer lines are
    // built another way, which must not show.
    for (const size_t pad : {size_t{65522}, size_t{65523}, size_t{70000}}) {
        const std::string quoted = "\"" + std::string(pad, 'q') + "\"";
        ParsedRecipe parsed = Parse("a = " + quoted + "; b = 7");
        std::vector<ISyntaxTreeNode*>& statements = Actions(parsed.blocks.at(0).get());
        ASSERT_EQ(statements.size(), 2u);
        IToken* text = statements[0]->GetChildren().at(1)->GetToken();
        IToken* b = statements[1]->GetChildren().at(0)->GetToken();
        IToken* seven = statements[1]->GetChildren().at(1)->GetToken();
        EXPECT_EQ(text->GetText(), quoted);
        EXPECT_EQ(text->GetColumn(), 5);
        EXPECT_EQ(text->GetType(), kv::TokenType::Literal);
        EXPECT_EQ(b->GetColumn(), static_cast<int>(pad + 9));
        EXPECT_EQ(seven->GetColumn(), static_cast<int>(pad + 13));
        seven->SetText("8");
        EXPECT_EQ(seven->GetText(), "8");
        EXPECT_EQ(seven->GetSourceText(), "7");
        delete statements[0];
        EXPECT_EQ(Describe(parsed.blocks[0].get(), false), "{{} {=/3(b/1 8/2)}}");
    }
}

TEST(ArborTreeLifetime, ReadingAheadOverBlocksOfEveryKindChangesNothing) {
    // Blocks across several pieces of shared memory, a line built the long way, blocks with
    // nodes deleted, moved out and adopted, a tree built by hand and a gap in the list.
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += i % 7 == 3 ? "a = 1\n" : "t >= " + std::to_string(i) + " => heat(180, 5kg); f()\n";
    }
    text += "a = \"" + std::string(70000, 'q') + "\"; b = 7\n";
    ParsedRecipe parsed = Parse(text);
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    delete Actions(blocks[1]).at(0)->GetChildren().at(0);
    delete Actions(blocks[2]).at(0);
    std::unique_ptr<ISyntaxTreeNode> moved(Actions(blocks[5]).at(1));
    moved->GetParent()->RemoveChild(moved.get());
    newSyntaxTreeNode(newToken("x", 1, 1, 1, kv::TokenType::Name), Actions(blocks[6]).at(1));
    std::unique_ptr<ISyntaxTreeNode> byHand(newSyntaxTreeNode(nullptr, nullptr));
    newSyntaxTreeNode(newToken("g", 1, 1, 1, kv::TokenType::Function), byHand.get());
    blocks.insert(blocks.begin() + 8, byHand.get());
    blocks.insert(blocks.begin() + 9, nullptr);
    blocks.push_back(moved.get());

    std::vector<std::string> before;
    for (ISyntaxTreeNode* block : blocks) before.push_back(block ? Describe(block) : "");
    for (size_t i = 0; i < blocks.size() + 3; ++i) PrefetchAhead(blocks, i);
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i] ? Describe(blocks[i]) : "", before[i]) << "block " << i;
    }
}

}  // namespace
