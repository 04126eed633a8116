// SyntaxTreeNode: the ISyntaxTreeNode implementations: heap nodes owning a separate token, made
// by newSyntaxTreeNode, and the nodes of parsed blocks, which share one allocation per block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockParser.h"
#include "arbor/BlockTree.h"
#include "arbor/NodeClasses.h"
#include "arbor/SmallStack.h"
#include "utilo/CachePrefetch.h"

namespace kv::arbor::nodes {

TokenNode::Rewrite* TokenNode::MakeRewrite(BlockArena* arena, const std::string& text) {
    static_assert(alignof(BlockArena) > kTags && alignof(Rewrite) > kTags);
    void* memory = ::operator new(sizeof(Rewrite) + text.size());
    auto* rewrite = ::new (memory) Rewrite{arena, text.size()};
    std::memcpy(rewrite + 1, text.data(), text.size());
    return rewrite;
}

void TokenNode::SetText(const std::string& text) {
    BlockArena* arena = Arena();
    Rewrite* old = AsRewrite();
    // Only a real change costs memory: "" is a tag, and a text equal to the source views the
    // line again.
    if (text.empty()) {
        where_ = reinterpret_cast<uintptr_t>(arena) | kEmptied;
    } else if (text == Source()) {
        where_ = reinterpret_cast<uintptr_t>(arena);
    } else {
        where_ = reinterpret_cast<uintptr_t>(MakeRewrite(arena, text)) | kRewritten;
    }
    Free(old);
}

void Node::Dismantle(ChildList* list) {
    if (ChildList* siblings = parent_ != nullptr ? parent_->Children() : nullptr) {
        const auto found = std::find(siblings->begin(), siblings->end(), this);
        if (found != siblings->end()) siblings->erase(found);
    }
    if (list == nullptr || list->empty()) return;
    // Descendants are released from a work list rather than by recursion, so that a tree of any
    // depth can be destroyed; each one is emptied and orphaned before its own destructor runs,
    // which then has nothing left to walk.
    kv::arbor::SmallStack<ISyntaxTreeNode*, 32> pending;
    for (ISyntaxTreeNode* child : *list) pending.push_back(child);
    list->clear();
    while (!pending.empty()) {
        ISyntaxTreeNode* node = pending.back();
        pending.pop_back();
        if (Node* own = AsNode(node)) {
            own->parent_ = nullptr;
            if (ChildList* grandchildren = own->Children()) {
                for (ISyntaxTreeNode* child : *grandchildren) pending.push_back(child);
                grandchildren->clear();
            }
        }
        delete node;
    }
}

ChildList& Node::GetChildren() {
    if (ChildList* list = Children()) return *list;
    return LeafLists::Get().Make(this);
}

bool Node::IsFirstChild() {
    const ChildList* siblings = parent_ != nullptr ? parent_->Children() : nullptr;
    return siblings != nullptr && !siblings->empty() && siblings->front() == this;
}

bool Node::HasAncestorOrSelf(const Node* node) const {
    for (const Node* walk = this; walk != nullptr; walk = walk->parent_) {
        if (walk == node) return true;
    }
    return false;
}

void Node::AddChild(ISyntaxTreeNode* child) {
    // Only our own nodes can learn their parent; anything else is refused rather than half-owned.
    Node* own = AsNode(child);
    if (own == nullptr) return;
    // Adopting an ancestor would close a cycle that no walk or destructor could leave. A node
    // without children can only be an ancestor by being this node, which keeps the usual case
    // (appending a fresh leaf) free of the walk.
    if (own == this || (own->HasChildren() && HasAncestorOrSelf(own))) return;
    // A node has one owner: adopting moves it out of its former parent.
    if (own->parent_ != nullptr) own->parent_->RemoveChild(own);
    Attach(own);
}

void Node::RemoveChild(ISyntaxTreeNode* child) {
    ChildList* list = Children();
    if (child == nullptr || list == nullptr) return;
    auto found = std::find(list->begin(), list->end(), child);
    if (found == list->end()) return;
    list->erase(found);
    Node* own = AsNode(child);
    if (own != nullptr && own->parent_ == this) own->parent_ = nullptr;
}

ISyntaxTreeNode* Node::GetRoot() {
    Node* walk = this;
    while (walk->parent_ != nullptr) walk = walk->parent_;
    return walk;
}

}  // namespace kv::arbor::nodes

namespace {

using namespace kv::arbor::nodes;

// Builds the nodes of plan in order with make(planned), each linked to its planned parent and
// given room for its planned children; returns the first, the block.
template <typename MakeNode>
std::unique_ptr<ISyntaxTreeNode> BuildPlan(std::vector<PlannedNode>& plan, MakeNode make) {
    std::unique_ptr<ISyntaxTreeNode> block;
    for (PlannedNode& planned : plan) {
        Node* node = make(planned);
        planned.built = node;
        // The block goes first: from then on it owns everything built, even if a reservation
        // fails.
        if (!block) {
            block.reset(node);
        } else {
            static_cast<Node*>(plan[planned.parent].built)->Attach(node);
        }
        if (planned.childCount > 0) node->GetChildren().reserve(planned.childCount);
    }
    return block;
}

// Token nodes with children get a list, and so do calls without arguments, to which the analysis
// adds one.
bool IsBranch(const PlannedNode& planned) {
    return planned.childCount > 0 || planned.type == kv::TokenType::Function;
}

}  // namespace

BlockScratch::~BlockScratch() {
    if (slab != nullptr) static_cast<Slab*>(slab)->Release();
}

std::unique_ptr<ISyntaxTreeNode> BuildBlockTree(std::string_view line, int lineNumber,
                                                BlockScratch& scratch) {
    std::vector<PlannedNode>& plan = scratch.plan;
    size_t tokens = 0;
    size_t branches = 0;
    for (const PlannedNode& planned : plan) {
        tokens += planned.type != 0 ? 1 : 0;
        branches += planned.type != 0 && IsBranch(planned) ? 1 : 0;
    }
    const size_t nodeBytes = (tokens - branches) * RoundUp(sizeof(TokenLeaf)) +
                             branches * RoundUp(sizeof(TokenBranch)) +
                             (plan.size() - tokens) * RoundUp(sizeof(SectionNode));
    if (line.size() > BlockArena::kMaxLine) {
        // A line too long for the spans a token node keeps gets separate heap objects.
        return BuildPlan(
            plan,
            [&](const PlannedNode& planned) {
                IToken* token = nullptr;
                if (planned.type != 0) {
                    const std::string text(line.substr(planned.begin, planned.end - planned.begin));
                    token = newToken(text, ColumnOf(planned.begin), lineNumber, lineNumber,
                                     planned.type);
                }
                return static_cast<Node*>(new HeapNode(token));
            });
    }
    // Blocks go one after the other into the slab being filled, and into a new one when it is
    // full; the parse holds the slab it fills.
    const size_t footprint = BlockArena::Footprint(nodeBytes);
    auto* slab = static_cast<Slab*>(scratch.slab);
    if (slab == nullptr || slab->Room() < footprint) {
        Slab* next = Slab::Create(footprint, scratch.text);
        next->Hold();
        if (slab != nullptr) slab->Release();
        scratch.slab = slab = next;
    }
    BlockArena* arena = BlockArena::Create(slab, line, lineNumber, tokens);
    return BuildPlan(plan, [arena](const PlannedNode& planned) -> Node* {
        if (planned.type == 0) return SectionNode::Make(arena);
        if (IsBranch(planned)) {
            return TokenBranch::Make(arena, planned.begin, planned.end, planned.type);
        }
        return TokenLeaf::Make(arena, planned.begin, planned.end, planned.type);
    });
}

namespace {

// A block's root is its first node, right after its header.
constexpr size_t kBlockHeader = RoundUp(sizeof(BlockArena));

// The lines of block's header and nodes, which end where after, the block parsed next, begins
// when it lies right behind them; reads nothing, so it waits for nothing.
void PrefetchNodes(const ISyntaxTreeNode* block, const ISyntaxTreeNode* after) {
    constexpr size_t kLine = 64;
    // What a usual line's nodes take, where the block's end is not known.
    constexpr size_t kUsual = 1024;
    // More than this, and after lies in another slab, or is no neighbour at all.
    constexpr size_t kFarthest = 4096;
    if (block == nullptr) return;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(block) - kBlockHeader;
    const uintptr_t next = reinterpret_cast<uintptr_t>(after) - kBlockHeader;
    const bool behind = after != nullptr && next > begin && next - begin <= kFarthest;
    const uintptr_t end = behind ? next : begin + kBlockHeader + kUsual;
    for (uintptr_t line = begin & ~uintptr_t{kLine - 1}; line < end; line += kLine) {
        kv::cache::Prefetch(reinterpret_cast<const void*>(line));
    }
}

// The header of block when it is the root of a parsed block, which the parse put right after it.
const BlockArena* HeaderOf(ISyntaxTreeNode* block) {
    if (block == nullptr || !IsExactly<SectionNode>(block)) return nullptr;
    const BlockArena* arena = static_cast<SectionNode*>(block)->Arena();
    return reinterpret_cast<uintptr_t>(arena) + kBlockHeader == reinterpret_cast<uintptr_t>(block)
               ? arena
               : nullptr;
}

// The child lists of block's nodes, found by stepping through the nodes in the order the parse
// laid them out after the root, nodes brought in by an earlier PrefetchNodes. Until the block's
// last token node every step lands on a node of the block, whose memory lives as long as the
// block. A node destroyed since ends the walk where its memory no longer names its class, and
// otherwise only has its stale list prefetched, which reads nothing.
void PrefetchChildLists(ISyntaxTreeNode* block) {
    if (KV_ARBOR_SEPARATE_NODES) return;
    const BlockArena* header = HeaderOf(block);
    if (header == nullptr) return;
    auto* at = reinterpret_cast<char*>(block);
    for (size_t tokens = 0; tokens < header->Tokens();) {
        auto* node = reinterpret_cast<ISyntaxTreeNode*>(at);
        const ChildList* list = nullptr;
        if (IsExactly<TokenLeaf>(node)) {
            at += RoundUp(sizeof(TokenLeaf));
            ++tokens;
            continue;
        }
        if (IsExactly<TokenBranch>(node)) {
            list = static_cast<TokenBranch*>(node)->Children();
            at += RoundUp(sizeof(TokenBranch));
            ++tokens;
        } else if (IsExactly<SectionNode>(node)) {
            list = static_cast<SectionNode*>(node)->Children();
            at += RoundUp(sizeof(SectionNode));
        } else {
            return;
        }
        if (!list->empty()) kv::cache::Prefetch(list->data());
    }
}

}  // namespace

void PrefetchAhead(const std::vector<ISyntaxTreeNode*>& blocks, size_t at) {
    const auto block = [&blocks](size_t i) { return i < blocks.size() ? blocks[i] : nullptr; };
    // The nodes two blocks ahead, so that by the time the lists of a block are looked for, its
    // nodes are in.
    PrefetchNodes(block(at + 2), block(at + 3));
    PrefetchChildLists(block(at + 1));
}

std::vector<ISyntaxTreeNode*>* ChildrenOf(ISyntaxTreeNode* node) {
    return node != nullptr ? ChildrenRead(node) : nullptr;
}

std::optional<std::string_view> TokenTextOf(ISyntaxTreeNode* node) {
    if (TokenNode* token = AsTokenNode(node)) return token->TextView();
    return std::nullopt;
}

TreeSizeHint SizeHintOf(ISyntaxTreeNode* node) {
    if (node == nullptr || !IsExactly<SectionNode>(node)) return {};
    auto* section = static_cast<SectionNode*>(node);
    if (section->GetParent() != nullptr) return {};
    const BlockArena* arena = section->Arena();
    return {arena->Tokens(), arena->TextSize()};
}

ISyntaxTreeNode* newSyntaxTreeNode(IToken* token, ISyntaxTreeNode* parent) {
    auto* node = new HeapNode(token);
    if (parent != nullptr) parent->AddChild(node);
    return node;
}