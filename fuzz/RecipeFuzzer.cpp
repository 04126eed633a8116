// RecipeFuzzer: recipe text of any bytes through the parser, the visitor and the tree
// operations. Each block must render to text that parses back into the same tree, and the
// trees must survive the edits a checker or builder makes (rewrites, detaching, adopting).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "fuzz/FuzzCheck.h"

namespace {

// What a parsed block is made of: the text and type of each token leaf, in order.
struct LeafView {
    std::string text;
    int type;
    bool operator==(const LeafView&) const = default;
};

std::vector<LeafView> Leaves(ISyntaxTreeVisitor& visitor, ISyntaxTreeNode* block) {
    std::vector<LeafView> leaves;
    for (ISyntaxTreeNode* node : visitor.CollectNodes(block)) {
        leaves.push_back({node->GetToken()->GetText(), node->GetToken()->GetType()});
    }
    return leaves;
}

// Every node of a tree, structural and inner ones too, parents before children.
std::vector<ISyntaxTreeNode*> AllNodes(ISyntaxTreeNode* root) {
    std::vector<ISyntaxTreeNode*> nodes{root};
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (ISyntaxTreeNode* child : nodes[i]->GetChildren()) nodes.push_back(child);
    }
    return nodes;
}

void CheckLeaves(ISyntaxTreeVisitor& visitor, ISyntaxTreeNode* block) {
    for (ISyntaxTreeNode* node : visitor.CollectNodes(block)) {
        KV_FUZZ_CHECK(node != nullptr && node->GetToken() != nullptr, "");
        KV_FUZZ_CHECK(node->GetChildren().empty(), "");
        KV_FUZZ_CHECK(node->GetRoot() == block, "");
    }
}

// The parse of one block's tree: shape of the block, tokens on its line, classifier agreement.
void CheckParsedBlock(ISyntaxTreeVisitor& visitor, ISyntaxTreeNode* block, bool platformEncoding) {
    KV_FUZZ_CHECK(block->GetToken() == nullptr && block->GetParent() == nullptr, "");
    KV_FUZZ_CHECK(block->GetChildren().size() == 2, "");
    for (ISyntaxTreeNode* section : block->GetChildren()) {
        KV_FUZZ_CHECK(section->GetToken() == nullptr && section->GetParent() == block, "");
    }
    CheckLeaves(visitor, block);
    int line = -1;
    for (ISyntaxTreeNode* node : AllNodes(block)) {
        IToken* token = node->GetToken();
        if (token == nullptr) continue;
        if (line == -1) line = token->GetLine();
        KV_FUZZ_CHECK(token->GetLine() == line && token->GetEndLine() == line, "");
        KV_FUZZ_CHECK(token->GetColumn() >= 1, "");
        KV_FUZZ_CHECK(token->GetText() == token->GetSourceText(), "");
        // The host's second syntax pass must classify an unchanged token as the parser did.
        if (platformEncoding) {
            const int parsedType = token->GetType();
            ReclassifyToken(node);
            KV_FUZZ_CHECK(token->GetType() == parsedType,
                          "token " + kv::fuzz::Printable(token->GetText()) + " was " +
                              std::to_string(parsedType) + ", reclassified " +
                              std::to_string(token->GetType()));
        }
    }
}

void CheckRoundTrip(ISyntaxTreeVisitor& visitor, ISyntaxTreeNode* block, RecipeEncoding encoding) {
    const std::string rendered = visitor.ToText(block);
    const ParsedRecipe again = ParseRecipe(rendered, encoding);
    const std::string shown = "rendered " + kv::fuzz::Printable(rendered);
    KV_FUZZ_CHECK(again.errors.empty(),
                  shown + "; error " + (again.errors.empty() ? "" : again.errors[0].message) +
                      " at column " +
                      std::to_string(again.errors.empty() ? 0 : again.errors[0].column));
    KV_FUZZ_CHECK(again.blocks.size() == 1, shown);
    const std::string rerendered = visitor.ToText(again.blocks[0].get());
    KV_FUZZ_CHECK(rerendered == rendered,
                  shown + " re-rendered " + kv::fuzz::Printable(rerendered));
    KV_FUZZ_CHECK(Leaves(visitor, again.blocks[0].get()) == Leaves(visitor, block), shown);
}

void CheckErrors(const ParsedRecipe& parsed) {
    int lastLine = 0;
    for (const SyntaxError& error : parsed.errors) {
        // One error per line, in line order.
        KV_FUZZ_CHECK(error.line > lastLine, "");
        KV_FUZZ_CHECK(error.column >= 1, "");
        KV_FUZZ_CHECK(error.code != 0 && !error.message.empty(), "");
        lastLine = error.line;
    }
    KV_FUZZ_CHECK(parsed.errors.empty() || parsed.blocks.empty(), "");
}

// A small deterministic generator: the edits depend on the input only.
class Dice {
public:
    explicit Dice(const std::string& text) {
        for (const char c : text) state_ = (state_ ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    }
    size_t Below(size_t bound) {
        state_ ^= state_ >> 29;
        state_ *= 0xBF58476D1CE4E5B9ull;
        state_ ^= state_ >> 32;
        return bound == 0 ? 0 : static_cast<size_t>(state_ % bound);
    }

private:
    uint64_t state_ = 1469598103934665603ull;
};

// Edits the trees the way the library may during analysis, then checks they still walk,
// render and free cleanly (the sanitizers judge the freeing).
void EditTrees(ISyntaxTreeVisitor& visitor, std::vector<std::unique_ptr<ISyntaxTreeNode>>& blocks,
               const std::string& text) {
    if (blocks.empty()) return;
    Dice dice(text);
    std::vector<std::unique_ptr<ISyntaxTreeNode>> detached;
    for (int step = 0; step < 12; ++step) {
        ISyntaxTreeNode* root = blocks[dice.Below(blocks.size())].get();
        std::vector<ISyntaxTreeNode*> nodes = AllNodes(root);
        ISyntaxTreeNode* node = nodes[dice.Below(nodes.size())];
        const std::vector<ISyntaxTreeNode*> others = AllNodes(blocks[dice.Below(blocks.size())].get());
        ISyntaxTreeNode* other = others[dice.Below(others.size())];
        const std::string piece = text.substr(dice.Below(text.size()), dice.Below(8));
        switch (dice.Below(6)) {
            case 0:  // destroy a node still attached: it leaves its parent first
                if (node != root) delete node;
                break;
            case 1:  // detach and keep
                if (ISyntaxTreeNode* parent = node->GetParent()) {
                    parent->RemoveChild(node);
                    KV_FUZZ_CHECK(node->GetParent() == nullptr, "");
                    detached.emplace_back(node);
                }
                break;
            case 2:  // adopt: a node, possibly an ancestor of the adopter, moves
                // Blocks belong to the parse result, so they are never handed to a node.
                if (node != root) other->AddChild(node);
                break;
            case 3:  // a fresh leaf, as parameter formatting adds
                newSyntaxTreeNode(newToken(piece, 1, 1, 1, kv::TokenType::Literal), other);
                break;
            case 4:  // rewrite a token and classify it again
                if (IToken* token = node->GetToken()) {
                    token->SetText(piece);
                    ReclassifyToken(node);
                }
                break;
            case 5:  // put a detached node back
                if (!detached.empty()) {
                    ISyntaxTreeNode* back = detached.back().release();
                    detached.pop_back();
                    other->AddChild(back);
                    if (back->GetParent() == nullptr) detached.emplace_back(back);
                }
                break;
        }
        // A cycle would never end this walk; ownership must stay a tree.
        for (const auto& block : blocks) {
            KV_FUZZ_CHECK(block->GetParent() == nullptr, "a block was adopted");
            visitor.ToText(block.get());
            CheckLeaves(visitor, block.get());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    for (const RecipeEncoding encoding : {RecipeEncoding::Utf8, RecipeEncoding::Gbk}) {
        ParsedRecipe parsed = ParseRecipe(text, encoding);
        CheckErrors(parsed);
        for (const auto& block : parsed.blocks) {
            CheckParsedBlock(*visitor, block.get(), encoding == kPlatformRecipeEncoding);
            CheckRoundTrip(*visitor, block.get(), encoding);
        }
        if (encoding == kPlatformRecipeEncoding) EditTrees(*visitor, parsed.blocks, text);
    }
    ClassifyValueText(text);
    return 0;
}
