// ISyntaxTreeVisitor: lists the token leaves of a subtree and renders it back into recipe text.
#pragma once

#include <string>
#include <vector>

class ISyntaxTreeNode;

class ISyntaxTreeVisitor {
public:
    virtual ~ISyntaxTreeVisitor() = default;
    // The leaves of node's subtree that carry a token, left to right; node itself when it is
    // such a leaf. Operators and calls with children are reached through their leaves' parents.
    virtual std::vector<ISyntaxTreeNode*> CollectNodes(ISyntaxTreeNode* node) = 0;
    // The recipe text of node's subtree, using every token's current text: conditions joined by
    // ", ", then " => " only when there are conditions, actions joined by "; ", a comparison or
    // assignment as "left op right", a call as "name(arg, arg)" ("wait()" without arguments).
    // "" for null. Deep trees are walked without recursion.
    virtual std::string ToText(ISyntaxTreeNode* node) = 0;
};
