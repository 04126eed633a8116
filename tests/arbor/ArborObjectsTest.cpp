// Tokens, node ownership and structure, basic data and the operator pattern.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "CountingToken.h"
#include "arbor/Arbor.h"

namespace {

using kv::test::CountingToken;

TEST(ArborToken, KeepsItsSourceTextWhenRewritten) {
    std::unique_ptr<IToken> token(newToken("heat", 5, 3, 4, kv::TokenType::Function));
    token->SetText("h1");
    token->SetType(kv::TokenType::Literal);
    EXPECT_EQ(token->GetSourceText(), "heat");
    EXPECT_EQ(token->GetText(), "h1");
    EXPECT_EQ(token->GetColumn(), 5);
    EXPECT_EQ(token->GetLine(), 3);
    EXPECT_EQ(token->GetEndLine(), 4);
    EXPECT_EQ(token->GetType(), kv::TokenType::Literal);
}

TEST(ArborNode, LinksParentsChildrenAndRoot) {
    std::unique_ptr<ISyntaxTreeNode> block(newSyntaxTreeNode(nullptr, nullptr));
    ISyntaxTreeNode* section = newSyntaxTreeNode(nullptr, block.get());
    ISyntaxTreeNode* call = newSyntaxTreeNode(newToken("f", 1, 1, 1, 4), section);
    ISyntaxTreeNode* first = newSyntaxTreeNode(newToken("1", 3, 1, 1, 2), call);
    ISyntaxTreeNode* second = newSyntaxTreeNode(newToken("2", 5, 1, 1, 2), call);

    EXPECT_EQ(call->GetChildren(), (std::vector<ISyntaxTreeNode*>{first, second}));
    EXPECT_EQ(second->GetParent(), call);
    EXPECT_EQ(block->GetParent(), nullptr);
    EXPECT_EQ(block->GetToken(), nullptr);
    EXPECT_TRUE(first->IsFirstChild());
    EXPECT_FALSE(second->IsFirstChild());
    EXPECT_FALSE(block->IsFirstChild());
    EXPECT_EQ(second->GetRoot(), block.get());
    EXPECT_EQ(block->GetRoot(), block.get());
}

TEST(ArborNode, DestroysItsTokensAndWholeSubtree) {
    int destroyed = 0;
    ISyntaxTreeNode* root = newSyntaxTreeNode(new CountingToken(&destroyed), nullptr);
    ISyntaxTreeNode* middle = newSyntaxTreeNode(new CountingToken(&destroyed), root);
    newSyntaxTreeNode(new CountingToken(&destroyed), middle);
    newSyntaxTreeNode(new CountingToken(&destroyed), root);
    delete root;
    EXPECT_EQ(destroyed, 4);
}

TEST(ArborNode, RemoveChildDetachesWithoutDestroying) {
    int destroyed = 0;
    std::unique_ptr<ISyntaxTreeNode> call(newSyntaxTreeNode(newToken("f", 1, 1, 1, 4), nullptr));
    ISyntaxTreeNode* first = newSyntaxTreeNode(new CountingToken(&destroyed), call.get());
    ISyntaxTreeNode* second = newSyntaxTreeNode(new CountingToken(&destroyed), call.get());

    call->RemoveChild(first);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(first->GetParent(), nullptr);
    EXPECT_EQ(first->GetRoot(), first);
    EXPECT_EQ(call->GetChildren(), std::vector<ISyntaxTreeNode*>{second});
    EXPECT_TRUE(second->IsFirstChild());

    // Removing what is not a child changes nothing.
    call->RemoveChild(first);
    call->RemoveChild(nullptr);
    EXPECT_EQ(call->GetChildren().size(), 1u);

    delete first;
    EXPECT_EQ(destroyed, 1);
    call.reset();
    EXPECT_EQ(destroyed, 2);
}

TEST(ArborNode, DeletingAnAttachedNodeLeavesItsParent) {
    std::unique_ptr<ISyntaxTreeNode> call(newSyntaxTreeNode(newToken("f", 1, 1, 1, 4), nullptr));
    ISyntaxTreeNode* first = newSyntaxTreeNode(newToken("1", 3, 1, 1, 2), call.get());
    ISyntaxTreeNode* second = newSyntaxTreeNode(newToken("2", 5, 1, 1, 2), call.get());
    delete first;
    EXPECT_EQ(call->GetChildren(), std::vector<ISyntaxTreeNode*>{second});
}

TEST(ArborNode, AddChildMovesANodeAndRefusesCycles) {
    std::unique_ptr<ISyntaxTreeNode> left(newSyntaxTreeNode(nullptr, nullptr));
    std::unique_ptr<ISyntaxTreeNode> right(newSyntaxTreeNode(nullptr, nullptr));
    ISyntaxTreeNode* child = newSyntaxTreeNode(nullptr, left.get());
    ISyntaxTreeNode* grandchild = newSyntaxTreeNode(nullptr, child);

    right->AddChild(child);
    EXPECT_TRUE(left->GetChildren().empty());
    EXPECT_EQ(right->GetChildren(), std::vector<ISyntaxTreeNode*>{child});
    EXPECT_EQ(child->GetParent(), right.get());

    grandchild->AddChild(right.get());
    child->AddChild(child);
    right->AddChild(nullptr);
    EXPECT_EQ(right->GetParent(), nullptr);
    EXPECT_EQ(child->GetChildren(), std::vector<ISyntaxTreeNode*>{grandchild});
    EXPECT_EQ(right->GetChildren(), std::vector<ISyntaxTreeNode*>{child});
}

TEST(ArborNode, DeepTreesAreWalkedAndDestroyedWithoutRecursion) {
    constexpr int kDepth = 300000;
    int destroyed = 0;
    ISyntaxTreeNode* root = newSyntaxTreeNode(new CountingToken(&destroyed), nullptr);
    ISyntaxTreeNode* tip = root;
    for (int i = 0; i < kDepth; ++i) tip = newSyntaxTreeNode(new CountingToken(&destroyed), tip);

    EXPECT_EQ(tip->GetRoot(), root);
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    EXPECT_EQ(visitor->CollectNodes(root), std::vector<ISyntaxTreeNode*>{tip});
    // Every inner node renders as a call around the next one: t(t(...t...)).
    EXPECT_EQ(visitor->ToText(root).size(), static_cast<size_t>(kDepth) * 3 + 1);
    delete root;
    EXPECT_EQ(destroyed, kDepth + 1);
}

TEST(ArborBasicData, HoldsTheValueSetLast) {
    std::unique_ptr<BasicData> value(newBasicData());
    EXPECT_FALSE(value->IsBytes());
    value->SetBytes({0x00, 0xFF});
    EXPECT_TRUE(value->IsBytes());
    EXPECT_EQ(value->GetBytes(), (std::vector<uint8_t>{0x00, 0xFF}));
    value->SetText("\"3.1\"");
    EXPECT_FALSE(value->IsBytes());
    EXPECT_EQ(value->GetText(), "\"3.1\"");
    EXPECT_TRUE(value->GetBytes().empty());
}

TEST(ArborOperatorData, PatternMatchesExactlyOneOperatorCharacter) {
    OperatorData* data = getGlobalOperatorData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(getGlobalOperatorData(), data);
    const std::regex pattern(data->GetOperatorPattern(), std::regex::ECMAScript);
    for (const char* op : {"+", "-", "*", "/", "%", "<", ">", "=", "!", "&", "|", "(", ")"}) {
        EXPECT_TRUE(std::regex_match(op, pattern)) << op;
    }
    for (const char* other : {"", "a", "1", "#", "$", ".", "^", "[", "]", "\\", " ", "_", ",", ";",
                              "\"", "++", "<=", "a+", "加"}) {
        EXPECT_FALSE(std::regex_match(other, pattern)) << other;
    }
}

}  // namespace
