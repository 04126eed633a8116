// SyntaxTreeNode: the one ISyntaxTreeNode implementation, owning its token and its children.
#include <algorithm>
#include <vector>

#include "arbor/Arbor.h"

namespace {

class SyntaxTreeNode final : public ISyntaxTreeNode {
public:
    explicit SyntaxTreeNode(IToken* token) : token_(token) {}
    SyntaxTreeNode(const SyntaxTreeNode&) = delete;
    SyntaxTreeNode& operator=(const SyntaxTreeNode&) = delete;
    ~SyntaxTreeNode() override;

    std::vector<ISyntaxTreeNode*>& GetChildren() override { return children_; }
    ISyntaxTreeNode* GetParent() override { return parent_; }
    IToken* GetToken() override { return token_; }
    bool IsFirstChild() override;
    void AddChild(ISyntaxTreeNode* child) override;
    void RemoveChild(ISyntaxTreeNode* child) override;
    ISyntaxTreeNode* GetRoot() override;

private:
    bool HasAncestorOrSelf(const SyntaxTreeNode* node) const;

    IToken* token_;
    SyntaxTreeNode* parent_ = nullptr;
    std::vector<ISyntaxTreeNode*> children_;
};

SyntaxTreeNode::~SyntaxTreeNode() {
    // A node deleted while still attached leaves its parent, so the parent never holds a
    // dangling child.
    if (parent_ != nullptr) parent_->RemoveChild(this);
    delete token_;
    // Descendants are released from a work list rather than by recursion, so that a tree of any
    // depth can be destroyed; each one is emptied and orphaned before its own destructor runs.
    std::vector<ISyntaxTreeNode*> pending;
    pending.swap(children_);
    while (!pending.empty()) {
        ISyntaxTreeNode* node = pending.back();
        pending.pop_back();
        auto* own = dynamic_cast<SyntaxTreeNode*>(node);
        if (own != nullptr) {
            own->parent_ = nullptr;
            pending.insert(pending.end(), own->children_.begin(), own->children_.end());
            own->children_.clear();
        }
        delete node;
    }
}

bool SyntaxTreeNode::IsFirstChild() {
    return parent_ != nullptr && !parent_->children_.empty() && parent_->children_.front() == this;
}

bool SyntaxTreeNode::HasAncestorOrSelf(const SyntaxTreeNode* node) const {
    for (const SyntaxTreeNode* walk = this; walk != nullptr; walk = walk->parent_) {
        if (walk == node) return true;
    }
    return false;
}

void SyntaxTreeNode::AddChild(ISyntaxTreeNode* child) {
    // Only our own nodes can learn their parent; anything else is refused rather than half-owned.
    auto* own = dynamic_cast<SyntaxTreeNode*>(child);
    if (own == nullptr) return;
    // Adopting an ancestor would close a cycle that no walk or destructor could leave. A node
    // without children can only be an ancestor by being this node, which keeps the usual case
    // (appending a fresh leaf) free of the walk.
    if (own == this || (!own->children_.empty() && HasAncestorOrSelf(own))) return;
    // A node has one owner: adopting moves it out of its former parent.
    if (own->parent_ != nullptr) own->parent_->RemoveChild(own);
    children_.push_back(own);
    own->parent_ = this;
}

void SyntaxTreeNode::RemoveChild(ISyntaxTreeNode* child) {
    if (child == nullptr) return;
    auto found = std::find(children_.begin(), children_.end(), child);
    if (found == children_.end()) return;
    children_.erase(found);
    auto* own = dynamic_cast<SyntaxTreeNode*>(child);
    if (own != nullptr && own->parent_ == this) own->parent_ = nullptr;
}

ISyntaxTreeNode* SyntaxTreeNode::GetRoot() {
    SyntaxTreeNode* walk = this;
    while (walk->parent_ != nullptr) walk = walk->parent_;
    return walk;
}

}  // namespace

ISyntaxTreeNode* newSyntaxTreeNode(IToken* token, ISyntaxTreeNode* parent) {
    auto* node = new SyntaxTreeNode(token);
    if (parent != nullptr) parent->AddChild(node);
    return node;
}
