// BlockTree: builds the tree of one parsed block line in memory shared by the blocks of a parse,
// and lets the walks of the library read children without making lists and size their outputs.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
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

// What a parse reuses from line to line: the plan of the line at hand and the memory that
// consecutive blocks share. Blocks built with it outlive it.
struct BlockScratch {
    BlockScratch() = default;
    BlockScratch(const BlockScratch&) = delete;
    BlockScratch& operator=(const BlockScratch&) = delete;
    ~BlockScratch();

    std::vector<PlannedNode> plan;
    void* slab = nullptr;  // the shared memory being filled, which this holds
    // The text whose lines are parsed; the blocks view their lines in it and keep it alive.
    std::shared_ptr<const std::string> text;
};

// The tree of scratch.plan over line, which lies in *scratch.text. Every node and its child list
// (whose storage the list allocates) go into memory shared with the blocks parsed before and
// after, each token viewing line until it is rewritten. That memory, and the text, live while
// any of its nodes does, so nodes may be detached, moved to other trees and deleted one by one,
// and blocks deleted in any order. A line longer than 65535 bytes gets one heap object per node
// instead, each token with a copy of its text.
// Every token carries lineNumber. plan[i].built is filled in; the first node is returned.
std::unique_ptr<ISyntaxTreeNode> BuildBlockTree(std::string_view line, int lineNumber,
                                                BlockScratch& scratch);

// The children of node, or null for a leaf of this library that has no list yet (asking
// GetChildren would make one). Nodes made elsewhere answer through GetChildren.
std::vector<ISyntaxTreeNode*>* ChildrenOf(ISyntaxTreeNode* node);

// The current text of node's token, lent until it is rewritten or deleted, when node is a token
// node of a parsed block; nullopt for any other node, whose token must be asked.
std::optional<std::string_view> TokenTextOf(ISyntaxTreeNode* node);

// Appends to out what ToText gives for node, without a text of its own: for a host that renders
// many trees into one reused buffer. Only reads the tree.
void AppendTreeText(ISyntaxTreeNode* node, std::string& out);

// Appends to out the leaves CollectNodes would list for node, in the same order: for a host
// that gathers the leaves of many trees into one list.
void AppendTokenLeaves(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>& out);

// The first leaf holding a token that CollectNodes would list for node, found without listing
// the others; null when there is none.
ISyntaxTreeNode* FirstTokenLeaf(ISyntaxTreeNode* node);

// Starts bringing into the cache what walks over the blocks after blocks[at] will read, for a
// pass over blocks, in order, that has reached blocks[at]: the nodes two blocks ahead and the
// child lists of the next. Each block of a long recipe is long gone from the cache when a pass
// comes back to it, and a walk waits on every node and list it reads. Blocks that are no parsed
// blocks, or were moved since, only cost prefetches of lines nobody reads.
void PrefetchAhead(const std::vector<ISyntaxTreeNode*>& blocks, size_t at);

// visit(block) for each of blocks in order, reading ahead (PrefetchAhead) as it goes.
template <typename Visit>
void ForEachBlockReadingAhead(const std::vector<ISyntaxTreeNode*>& blocks, Visit visit) {
    for (size_t i = 0; i < blocks.size(); ++i) {
        PrefetchAhead(blocks, i);
        visit(blocks[i]);
    }
}

// How much a walk of node will produce, when node is the block of a parsed line: its token count
// and the length of its line. Zeros otherwise; a hint only, the tree may have changed since.
struct TreeSizeHint {
    size_t tokens = 0;
    size_t textBytes = 0;
};
TreeSizeHint SizeHintOf(ISyntaxTreeNode* node);
