// SyntaxTreeVisitor: lists a subtree's token leaves and renders a subtree back into recipe text.
#include "arbor/SyntaxTreeVisitor.h"

#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/SmallStack.h"

namespace {

// What a node stands for in a block tree, told from its token and its neighbours only, so that
// trees built by hand with the factories render as well as parsed ones.
enum class Shape { Block, Conditions, Actions, Binary, Call, Operand };

bool IsStructural(ISyntaxTreeNode* node) { return node != nullptr && node->GetToken() == nullptr; }

// The children of node, empty for a leaf; unlike GetChildren it never gives a leaf a list.
const std::vector<ISyntaxTreeNode*>& ChildrenView(ISyntaxTreeNode* node) {
    static const std::vector<ISyntaxTreeNode*> kNone;
    const std::vector<ISyntaxTreeNode*>* children = ChildrenOf(node);
    return children != nullptr ? *children : kNone;
}

Shape ShapeOf(ISyntaxTreeNode* node) {
    IToken* token = node->GetToken();
    const std::vector<ISyntaxTreeNode*>& children = ChildrenView(node);
    ISyntaxTreeNode* parent = node->GetParent();
    if (token == nullptr) {
        if (children.size() == 2 && IsStructural(children[0]) && IsStructural(children[1])) {
            return Shape::Block;
        }
        const bool firstOfBlock = IsStructural(parent) && ChildrenView(parent).size() == 2 &&
                                  ChildrenView(parent).front() == node;
        return firstOfBlock ? Shape::Conditions : Shape::Actions;
    }
    if (!children.empty()) {
        const bool binary = token->GetType() == kv::TokenType::Operator && children.size() == 2;
        return binary ? Shape::Binary : Shape::Call;
    }
    // A statement that is a bare leaf can only be a call written without arguments.
    const bool call = token->GetType() == kv::TokenType::Function || IsStructural(parent);
    return call ? Shape::Call : Shape::Operand;
}

// One node being rendered: its shape, the next child to visit and how many were written.
struct Frame {
    ISyntaxTreeNode* node;
    Shape shape;
    size_t next = 0;
    size_t written = 0;
};

// Appends the text of node's token, without a copy of it where the node lends it.
void AppendTokenText(ISyntaxTreeNode* node, std::string& out) {
    if (const std::optional<std::string_view> text = TokenTextOf(node)) {
        out += *text;
    } else {
        out += node->GetToken()->GetText();
    }
}

void WriteOpening(const Frame& frame, std::string& out) {
    if (frame.shape == Shape::Operand) AppendTokenText(frame.node, out);
    if (frame.shape == Shape::Call) {
        AppendTokenText(frame.node, out);
        out += '(';
    }
}

void WriteSeparator(const Frame& frame, std::string& out) {
    switch (frame.shape) {
        case Shape::Block:
            // " => " only follows conditions that exist.
            if (!ChildrenView(ChildrenView(frame.node).front()).empty()) out += " => ";
            break;
        case Shape::Conditions:
        case Shape::Call:
            out += ", ";
            break;
        case Shape::Actions:
            out += "; ";
            break;
        case Shape::Binary:
            out += ' ';
            AppendTokenText(frame.node, out);
            out += ' ';
            break;
        case Shape::Operand:
            break;
    }
}

// Hands visit the leaves of node that hold a token, in the order CollectNodes lists them,
// until visit returns false. Depth-first with an explicit stack (children pushed right to left)
// so that depth costs memory, not call stack.
template <typename Visit>
void WalkTokenLeaves(ISyntaxTreeNode* node, Visit visit) {
    kv::arbor::SmallStack<ISyntaxTreeNode*, 32> pending;
    if (node != nullptr) pending.push_back(node);
    while (!pending.empty()) {
        ISyntaxTreeNode* current = pending.back();
        pending.pop_back();
        const std::vector<ISyntaxTreeNode*>& children = ChildrenView(current);
        if (children.empty()) {
            if (current->GetToken() != nullptr && !visit(current)) return;
            continue;
        }
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            if (*child != nullptr) pending.push_back(*child);
        }
    }
}

class SyntaxTreeVisitor final : public ISyntaxTreeVisitor {
public:
    explicit SyntaxTreeVisitor(IData* data) : data_(data) {}

    std::vector<ISyntaxTreeNode*> CollectNodes(ISyntaxTreeNode* node) override;
    std::string ToText(ISyntaxTreeNode* node) override;

private:
    IData* data_;  // the host, lent; the rendering rules need nothing from it yet
};

std::vector<ISyntaxTreeNode*> SyntaxTreeVisitor::CollectNodes(ISyntaxTreeNode* node) {
    std::vector<ISyntaxTreeNode*> leaves;
    // A parsed block has no more leaves than tokens.
    leaves.reserve(SizeHintOf(node).tokens);
    WalkTokenLeaves(node, [&leaves](ISyntaxTreeNode* leaf) {
        leaves.push_back(leaf);
        return true;
    });
    return leaves;
}

std::string SyntaxTreeVisitor::ToText(ISyntaxTreeNode* node) {
    std::string out;
    if (node == nullptr) return out;
    // The line as written, with its spaces, is about what rendering gives back; a token more
    // for normalised spacing. Rewritten texts that outgrow it (parameters above all) grow the
    // text once, which costs less than reserving twice the line and trimming every time.
    const TreeSizeHint hint = SizeHintOf(node);
    out.reserve(hint.textBytes + hint.tokens + 16);
    kv::arbor::SmallStack<Frame, 16> stack;
    stack.push_back(Frame{node, ShapeOf(node)});
    WriteOpening(stack.back(), out);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const std::vector<ISyntaxTreeNode*>& children = ChildrenView(top.node);
        if (top.next < children.size()) {
            ISyntaxTreeNode* child = children[top.next++];
            if (child == nullptr) continue;
            if (top.written++ > 0) WriteSeparator(top, out);
            // top is not used past this point: the push may move the frames.
            stack.push_back(Frame{child, ShapeOf(child)});
            WriteOpening(stack.back(), out);
            continue;
        }
        if (top.shape == Shape::Call) out += ')';
        stack.pop_back();
    }
    // Hosts keep the texts of whole programs, so a text holds no spare room beyond a little.
    if (out.capacity() - out.size() > out.size() / 8 + 16) out.shrink_to_fit();
    return out;
}

}  // namespace

ISyntaxTreeVisitor* newSyntaxTreeVistor(IData* data) { return new SyntaxTreeVisitor(data); }

ISyntaxTreeNode* FirstTokenLeaf(ISyntaxTreeNode* node) {
    ISyntaxTreeNode* first = nullptr;
    WalkTokenLeaves(node, [&first](ISyntaxTreeNode* leaf) {
        first = leaf;
        return false;
    });
    return first;
}
