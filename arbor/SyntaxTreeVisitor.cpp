// SyntaxTreeVisitor: lists a subtree's token leaves and renders a subtree back into recipe text.
#include "arbor/SyntaxTreeVisitor.h"

#include <string>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/NodeClasses.h"
#include "arbor/SmallStack.h"

namespace {

using kv::arbor::nodes::AsTokenNode;
using kv::arbor::nodes::ChildrenRead;
using kv::arbor::nodes::ParentRead;
using kv::arbor::nodes::TokenNode;
using kv::arbor::nodes::TokenRead;
using kv::arbor::nodes::TypeRead;

// What a node stands for in a block tree, told from its token and its neighbours only, so that
// trees built by hand with the factories render as well as parsed ones.
enum class Shape { Block, Conditions, Actions, Binary, Call, Operand };

bool IsStructural(ISyntaxTreeNode* node) { return node != nullptr && TokenRead(node) == nullptr; }

// What a leaf lists; initialised before any code runs, so a walk checks no guard for it.
constinit const std::vector<ISyntaxTreeNode*> kNoChildren;

// The children of node, empty for a leaf; unlike GetChildren it never gives a leaf a list.
const std::vector<ISyntaxTreeNode*>& ChildrenView(ISyntaxTreeNode* node) {
    const std::vector<ISyntaxTreeNode*>* children = node != nullptr ? ChildrenRead(node) : nullptr;
    return children != nullptr ? *children : kNoChildren;
}

// One node being rendered: what its shape is told from, read once, the shape, the next child
// to visit and how many were written.
struct Frame {
    ISyntaxTreeNode* node;
    IToken* token;
    const std::vector<ISyntaxTreeNode*>* children;
    Shape shape;
    size_t next;
    size_t written;
};

// The shape of frame's node. parent, when given, is the frame of the node whose list holds it,
// which answers what the node's parent would be asked for again.
Shape ShapeOf(const Frame& frame, const Frame* parent) {
    ISyntaxTreeNode* node = frame.node;
    const std::vector<ISyntaxTreeNode*>& children = *frame.children;
    ISyntaxTreeNode* up = ParentRead(node);
    const bool known = parent != nullptr && parent->node == up;
    const auto upIsStructural = [&] { return known ? parent->token == nullptr : IsStructural(up); };
    if (frame.token == nullptr) {
        if (children.size() == 2 && IsStructural(children[0]) && IsStructural(children[1])) {
            return Shape::Block;
        }
        if (!upIsStructural()) return Shape::Actions;
        const std::vector<ISyntaxTreeNode*>& siblings = known ? *parent->children : ChildrenView(up);
        const bool firstOfBlock = siblings.size() == 2 && siblings.front() == node;
        return firstOfBlock ? Shape::Conditions : Shape::Actions;
    }
    if (!children.empty()) {
        const bool binary =
            TypeRead(frame.node, frame.token) == kv::TokenType::Operator && children.size() == 2;
        return binary ? Shape::Binary : Shape::Call;
    }
    // A statement that is a bare leaf can only be a call written without arguments.
    const bool call =
        TypeRead(frame.node, frame.token) == kv::TokenType::Function || upIsStructural();
    return call ? Shape::Call : Shape::Operand;
}

// Fills frame, a new entry of the walk's stack, for node. Written in place, field by field: a
// frame built aside and copied in is read back wider than it was written, which stalls.
void ReadFrame(Frame& frame, ISyntaxTreeNode* node, const Frame* parent) {
    frame.node = node;
    frame.token = TokenRead(node);
    frame.children = &ChildrenView(node);
    frame.next = 0;
    frame.written = 0;
    frame.shape = ShapeOf(frame, parent);
}

// Appends the text of node's token, without a copy of it where the node lends it.
void AppendTokenText(const Frame& frame, std::string& out) {
    if (TokenNode* own = AsTokenNode(frame.node)) {
        out += own->TextView();
    } else {
        out += frame.token->GetText();
    }
}

void WriteOpening(const Frame& frame, std::string& out) {
    if (frame.shape == Shape::Operand) AppendTokenText(frame, out);
    if (frame.shape == Shape::Call) {
        AppendTokenText(frame, out);
        out += '(';
    }
}

void WriteSeparator(const Frame& frame, std::string& out) {
    switch (frame.shape) {
        case Shape::Block:
            // " => " only follows conditions that exist.
            if (!ChildrenView(frame.children->front()).empty()) out += " => ";
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
            AppendTokenText(frame, out);
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
            if (TokenRead(current) != nullptr && !visit(current)) return;
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
    AppendTokenLeaves(node, leaves);
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
    AppendTreeText(node, out);
    // Hosts keep the texts of whole programs, so a text holds no spare room beyond a little.
    if (out.capacity() - out.size() > out.size() / 8 + 16) out.shrink_to_fit();
    return out;
}

}  // namespace

void AppendTreeText(ISyntaxTreeNode* node, std::string& out) {
    if (node == nullptr) return;
    kv::arbor::SmallStack<Frame, 16> stack;
    ReadFrame(stack.emplace_back(), node, nullptr);
    WriteOpening(stack.back(), out);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const std::vector<ISyntaxTreeNode*>& children = *top.children;
        if (top.next < children.size()) {
            ISyntaxTreeNode* child = children[top.next++];
            if (child == nullptr) continue;
            if (top.written++ > 0) WriteSeparator(top, out);
            // A new entry may move the frames: top is not read after it.
            const size_t parent = stack.size() - 1;
            Frame& frame = stack.emplace_back();
            ReadFrame(frame, child, &stack[parent]);
            WriteOpening(frame, out);
            continue;
        }
        if (top.shape == Shape::Call) out += ')';
        stack.pop_back();
    }
}

void AppendTokenLeaves(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>& out) {
    WalkTokenLeaves(node, [&out](ISyntaxTreeNode* leaf) {
        out.push_back(leaf);
        return true;
    });
}

ISyntaxTreeVisitor* newSyntaxTreeVistor(IData* data) { return new SyntaxTreeVisitor(data); }

ISyntaxTreeNode* FirstTokenLeaf(ISyntaxTreeNode* node) {
    ISyntaxTreeNode* first = nullptr;
    WalkTokenLeaves(node, [&first](ISyntaxTreeNode* leaf) {
        first = leaf;
        return false;
    });
    return first;
}
