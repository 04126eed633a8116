// ISyntaxTreeNode: a node of a block's syntax tree. A node owns its token and its children.
#pragma once

#include <vector>

class IToken;

class ISyntaxTreeNode {
public:
    // Destroys the node's token and its children (detached children are not destroyed); a node
    // destroyed while attached first leaves its parent. Trees of any depth are safe to destroy.
    virtual ~ISyntaxTreeNode() = default;
    // The children in order: a call's arguments; a comparison's or assignment's two sides.
    virtual std::vector<ISyntaxTreeNode*>& GetChildren() = 0;
    // The parent, or null for a block node or a detached node.
    virtual ISyntaxTreeNode* GetParent() = 0;
    // The token, or null for structural nodes (blocks and sections).
    virtual IToken* GetToken() = 0;
    // True for the first child of its parent.
    virtual bool IsFirstChild() = 0;
    // Appends child and becomes its parent; the node then owns it. A child of another node is
    // moved out of that node first. Does nothing for null, for this node or one of its
    // ancestors (that would make a cycle), or for a node made outside this library.
    virtual void AddChild(ISyntaxTreeNode* child) = 0;
    // Detaches child without destroying it; the caller then owns it and its parent is null.
    // Does nothing when child is not a child of this node.
    virtual void RemoveChild(ISyntaxTreeNode* child) = 0;
    // The top node of the tree (the block node).
    virtual ISyntaxTreeNode* GetRoot() = 0;
};
