// BlockTree: builds the tree of one parsed block line in one allocation, and lets the walks of
// the library read children without making lists and size their outputs.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "arbor/ISyntaxTreeNode.h"

// One node of a block line as the grammar found it, before any node exists. A parent is always
// planned before its children, and children in their order.
struct PlannedNode {
    size_t parent = 0;      // index in the plan; unused for the block, which comes first
    size_t childCount = 0;  // known once the line is parsed, so child lists are reserved once
    size_t begin = 0;       // token text as a byte span of the line; a structural node has none
    size_t end = 0;
    int type = 0;  // token type; 0 for a structural node (block or section)
    ISyntaxTreeNode* built = nullptr;
};

// The tree of plan over line: one allocation holds a copy of line, every node and their child
// lists (whose storage the lists allocate), each token viewing the copy until it is rewritten.
// The allocation lives while any of its nodes does, so its nodes may be detached, moved to
// other trees and deleted one by one. A line longer than 65535 bytes gets one heap object per
// node instead. Every token carries lineNumber. plan[i].built is filled in; the first node is
// returned.
std::unique_ptr<ISyntaxTreeNode> BuildBlockTree(std::string_view line, int lineNumber,
                                                std::vector<PlannedNode>& plan);

// The children of node, or null for a leaf of this library that has no list yet (asking
// GetChildren would make one). Nodes made elsewhere answer through GetChildren.
std::vector<ISyntaxTreeNode*>* ChildrenOf(ISyntaxTreeNode* node);

// How much a walk of node will produce, when node is the block of a parsed line: its token count
// and the length of its line. Zeros otherwise; a hint only, the tree may have changed since.
struct TreeSizeHint {
    size_t tokens = 0;
    size_t textBytes = 0;
};
TreeSizeHint SizeHintOf(ISyntaxTreeNode* node);
