// The visitor: which leaves CollectNodes lists, and ToText rendering and its round trip.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TreeDescription.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/RecipeParser.h"

namespace {

class SyntaxTreeVisitorTest : public ::testing::Test {
protected:
    // The single block of text, kept alive by the fixture.
    ISyntaxTreeNode* Block(const std::string& text) {
        parsed_ = ParseRecipe(text, RecipeEncoding::Utf8);
        EXPECT_TRUE(parsed_.errors.empty()) << text;
        EXPECT_EQ(parsed_.blocks.size(), 1u) << text;
        return parsed_.blocks.empty() ? nullptr : parsed_.blocks[0].get();
    }

    std::vector<std::string> CollectedTexts(ISyntaxTreeNode* node) {
        std::vector<std::string> texts;
        for (ISyntaxTreeNode* leaf : visitor_->CollectNodes(node)) {
            texts.push_back(leaf->GetToken()->GetText());
        }
        return texts;
    }

    std::unique_ptr<ISyntaxTreeVisitor> visitor_{newSyntaxTreeVistor(nullptr)};
    ParsedRecipe parsed_;
};

TEST_F(SyntaxTreeVisitorTest, CollectsTokenLeavesLeftToRight) {
    ISyntaxTreeNode* block = Block("a > 1, b < 2 => f(x, y); g(); z = 3");
    EXPECT_EQ(CollectedTexts(block),
              (std::vector<std::string>{"a", "1", "b", "2", "x", "y", "g", "z", "3"}));
    EXPECT_EQ(CollectedTexts(block->GetChildren()[0]),
              (std::vector<std::string>{"a", "1", "b", "2"}));

    // Each argument leads to its call once; a call without arguments is listed itself.
    std::vector<ISyntaxTreeNode*> leaves = visitor_->CollectNodes(block);
    ISyntaxTreeNode* f = block->GetChildren()[1]->GetChildren()[0];
    EXPECT_EQ(leaves[4]->GetParent(), f);
    EXPECT_EQ(leaves[5]->GetParent(), f);
    EXPECT_EQ(leaves[6]->GetToken()->GetType(), kv::TokenType::Function);
    EXPECT_TRUE(leaves[6]->GetChildren().empty());
}

TEST_F(SyntaxTreeVisitorTest, CollectsALeafItselfAndNothingFromEmptyStructure) {
    ISyntaxTreeNode* block = Block("wait()");
    ISyntaxTreeNode* wait = block->GetChildren()[1]->GetChildren()[0];
    EXPECT_EQ(visitor_->CollectNodes(wait), std::vector<ISyntaxTreeNode*>{wait});
    EXPECT_TRUE(visitor_->CollectNodes(block->GetChildren()[0]).empty());
    EXPECT_TRUE(visitor_->CollectNodes(nullptr).empty());
}

TEST_F(SyntaxTreeVisitorTest, RendersBlocksSectionsAndNodes) {
    ISyntaxTreeNode* block =
        Block("  time>=10,oven.temp  >  150=>wait( ) ;x=\"a;b\";heat(180,5kg) // done");
    EXPECT_EQ(visitor_->ToText(block),
              "time >= 10, oven.temp > 150 => wait(); x = \"a;b\"; heat(180, 5kg)");
    EXPECT_EQ(visitor_->ToText(block->GetChildren()[0]), "time >= 10, oven.temp > 150");
    EXPECT_EQ(visitor_->ToText(block->GetChildren()[1]), "wait(); x = \"a;b\"; heat(180, 5kg)");
    ISyntaxTreeNode* heat = block->GetChildren()[1]->GetChildren()[2];
    EXPECT_EQ(visitor_->ToText(heat), "heat(180, 5kg)");
    EXPECT_EQ(visitor_->ToText(heat->GetChildren()[1]), "5kg");
    EXPECT_EQ(visitor_->ToText(nullptr), "");
    // Appended after what a text holds, the same rendering.
    std::string text = "> ";
    AppendTreeText(heat, text);
    AppendTreeText(nullptr, text);
    EXPECT_EQ(text, "> heat(180, 5kg)");

    EXPECT_EQ(visitor_->ToText(Block("x = 1")), "x = 1");
}

TEST_F(SyntaxTreeVisitorTest, RendersTheCurrentTextsAfterRewrites) {
    ISyntaxTreeNode* block = Block("time > 10 => task_1 = 3; heat(180, 5kg, low)");
    ISyntaxTreeNode* comparison = block->GetChildren()[0]->GetChildren()[0];
    comparison->GetToken()->SetText(">=");
    comparison->GetChildren()[0]->GetToken()->SetText("超时");
    ISyntaxTreeNode* heat = block->GetChildren()[1]->GetChildren()[1];
    heat->GetChildren()[0]->GetToken()->SetText("180.000000");
    heat->GetChildren()[1]->GetToken()->SetText("5000.000000");
    // An argument detached and destroyed, as the parameter formatting does with emptied ones.
    ISyntaxTreeNode* low = heat->GetChildren()[2];
    heat->RemoveChild(low);
    delete low;
    EXPECT_EQ(visitor_->ToText(block), "超时 >= 10 => task_1 = 3; heat(180.000000, 5000.000000)");
}

TEST_F(SyntaxTreeVisitorTest, RendersTreesBuiltWithTheFactories) {
    std::unique_ptr<ISyntaxTreeNode> block(newSyntaxTreeNode(nullptr, nullptr));
    newSyntaxTreeNode(nullptr, block.get());
    ISyntaxTreeNode* actions = newSyntaxTreeNode(nullptr, block.get());
    ISyntaxTreeNode* wait =
        newSyntaxTreeNode(newToken("wait", 1, 1, 1, kv::TokenType::Function), actions);
    EXPECT_EQ(visitor_->ToText(block.get()), "wait()");
    newSyntaxTreeNode(newToken("\"t1\"", 1, 1, 1, kv::TokenType::Literal), wait);
    EXPECT_EQ(visitor_->ToText(block.get()), "wait(\"t1\")");
}

TEST_F(SyntaxTreeVisitorTest, RenderedTextParsesToTheSameTree) {
    for (const std::string text :
         {"time >= 10 => task_1 = 3; heat(180.000000, 5000.000000)",
          "a==1,b!=\"x, y\",c<=#speed=>f(g(1,(2)),\"=>\" , null);d=a+#speed*2;wait()",
          "加热(5kg); 温度 = low // comment", "oven.fan = -3; say(\"a; b) // c\")"}) {
        ISyntaxTreeNode* original = Block(text);
        const std::string rendered = visitor_->ToText(original);
        const std::string shape = kv::test::Describe(original, false);
        ParsedRecipe again = ParseRecipe(rendered, RecipeEncoding::Utf8);
        ASSERT_EQ(again.blocks.size(), 1u) << rendered;
        EXPECT_EQ(kv::test::Describe(again.blocks[0].get(), false), shape) << rendered;
        EXPECT_EQ(visitor_->ToText(again.blocks[0].get()), rendered);
    }
}

}  // namespace
