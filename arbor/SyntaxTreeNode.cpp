// SyntaxTreeNode: the ISyntaxTreeNode implementations: heap nodes owning a separate token, made
// by newSyntaxTreeNode, and the nodes of parsed blocks, which share one allocation per block.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockParser.h"
#include "arbor/BlockTree.h"
#include "arbor/SmallStack.h"

// Sanitizer builds give every node of a parsed block its own allocation, so that a use of a
// deleted node is caught there even though a block's nodes normally share one.
#if defined(KV_ARBOR_NODE_PER_ALLOCATION) || defined(__SANITIZE_ADDRESS__)
#define KV_ARBOR_SEPARATE_NODES 1
#else
#define KV_ARBOR_SEPARATE_NODES 0
#endif

namespace {

// Every node class holds pointers, sizes and ints at most, so pointer alignment serves them all
// (checked below) and keeps nodes packed tighter than the heap's 16 bytes would.
constexpr size_t kAlign = alignof(void*);

constexpr size_t RoundUp(size_t size) { return (size + kAlign - 1) / kAlign * kAlign; }

using ChildList = std::vector<ISyntaxTreeNode*>;

// The part every node class shares: the links and all tree editing.
class Node : public ISyntaxTreeNode {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    ChildList& GetChildren() final { return List(); }
    ISyntaxTreeNode* GetParent() final { return parent_; }
    bool IsFirstChild() final;
    void AddChild(ISyntaxTreeNode* child) final;
    void RemoveChild(ISyntaxTreeNode* child) final;
    ISyntaxTreeNode* GetRoot() final;

    // The children, or null for a leaf that never needed a list: most leaves are never asked,
    // and a list held by every leaf would cost three words each.
    ChildList* Children() const { return reinterpret_cast<ChildList*>(list_ & ~kOwnedList); }
    // The list, made on the heap for a node that has none yet.
    ChildList& List();
    // Gives a node without a list one in memory the caller keeps (its block's), with room for
    // count children.
    void PlaceList(void* memory, size_t count) {
        auto* list = ::new (memory) ChildList();
        list_ = reinterpret_cast<uintptr_t>(list);
        list->reserve(count);
    }
    // Links a freshly built child whose place in the list is known to be free.
    void Attach(Node* child) {
        List().push_back(child);
        child->parent_ = this;
    }

protected:
    Node() = default;
    ~Node() override;

private:
    // Tags list_ when the node allocated its list itself and so deletes it.
    static constexpr uintptr_t kOwnedList = 1;

    bool HasAncestorOrSelf(const Node* node) const;
    bool HasChildren() const {
        const ChildList* list = Children();
        return list != nullptr && !list->empty();
    }

    Node* parent_ = nullptr;
    uintptr_t list_ = 0;
};

static_assert(alignof(ChildList) > 1);

// A node made by newSyntaxTreeNode; it owns a token made elsewhere (or none).
class HeapNode final : public Node {
public:
    explicit HeapNode(IToken* token) : token_(token) {}
    ~HeapNode() override { delete token_; }
    IToken* GetToken() override { return token_; }

private:
    IToken* token_;
};

// Memory that consecutive blocks of one parse share, so that a recipe costs one allocation per
// slab rather than one per line. It is freed once the parse has moved on from it and the last
// node in it is gone, wherever that node has been moved by then.
class Slab {
public:
    // A slab with room for bytes, and for more blocks when they are small.
    static Slab* Create(size_t bytes) {
        const size_t size = std::max(bytes, kBytes);
        return ::new (::operator new(Offset() + size)) Slab(size);
    }

    size_t Room() const { return size_ - used_; }
    // size bytes of the room; the caller has checked that they fit.
    void* Take(size_t size) {
        void* memory = Bytes() + Offset() + used_;
        used_ += RoundUp(size);
        return memory;
    }

    void Hold() { holders_.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (holders_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            this->~Slab();
            ::operator delete(static_cast<void*>(this));
        }
    }

private:
    // In sanitizer builds a slab holds only the blocks' lines, the nodes being allocated one
    // by one; its own counting is then still checked.
    static constexpr size_t kBytes = 64 * 1024;
    static constexpr size_t Offset() { return RoundUp(sizeof(Slab)); }

    explicit Slab(size_t size) : size_(size) {}

    char* Bytes() { return reinterpret_cast<char*>(this); }

    std::atomic<size_t> holders_{0};  // nodes built in it and alive, and the parse filling it
    size_t used_ = 0;                 // bytes handed out after the header
    size_t size_;
};

// One parsed block in its slab: this header, a copy of the line, then the nodes and their
// lists.
class BlockArena {
public:
    // The longest line whose tokens fit the 16-bit spans a token node keeps.
    static constexpr size_t kMaxLine = std::numeric_limits<uint16_t>::max();

    // The bytes a block takes in its slab, for a line of textSize and nodeBytes of nodes.
    static size_t Footprint(size_t textSize, size_t nodeBytes) {
        return TextOffset() + RoundUp(textSize) + (KV_ARBOR_SEPARATE_NODES ? 0 : nodeBytes);
    }

    // text is at most kMaxLine bytes long; slab has room for the block's footprint.
    static BlockArena* Create(Slab* slab, std::string_view text, int line, size_t tokens) {
        void* memory = slab->Take(TextOffset() + text.size());
        auto* arena = ::new (memory) BlockArena(slab, line, tokens, text.size());
        if (!text.empty()) std::memcpy(arena->Bytes() + TextOffset(), text.data(), text.size());
        return arena;
    }

    // Room for one node; it holds the slab from here until Release.
    void* Allocate(size_t size) {
#if KV_ARBOR_SEPARATE_NODES
        void* memory = ::operator new(size);
#else
        void* memory = slab_->Take(size);
#endif
        slab_->Hold();
        return memory;
    }

    // Gives node its list of children, with room for count: in the slab, or its own allocation
    // when every node has one.
    void GiveList(Node* node, size_t count) {
#if KV_ARBOR_SEPARATE_NODES
        node->List().reserve(count);
#else
        node->PlaceList(slab_->Take(sizeof(ChildList)), count);
#endif
    }

    // The end of a node whose destructor has run.
    void Release(void* object) {
#if KV_ARBOR_SEPARATE_NODES
        ::operator delete(object);
#else
        static_cast<void>(object);
#endif
        slab_->Release();
    }

    std::string_view Text(size_t begin, size_t size) const {
        return {Bytes() + TextOffset() + begin, size};
    }
    int Line() const { return line_; }
    size_t Tokens() const { return tokens_; }
    size_t TextSize() const { return textSize_; }

private:
    static constexpr size_t TextOffset() { return RoundUp(sizeof(BlockArena)); }

    BlockArena(Slab* slab, int line, size_t tokens, size_t textSize)
        : slab_(slab),
          line_(line),
          tokens_(static_cast<uint16_t>(tokens)),
          textSize_(static_cast<uint16_t>(textSize)) {}

    char* Bytes() { return reinterpret_cast<char*>(this); }
    const char* Bytes() const { return reinterpret_cast<const char*>(this); }

    Slab* slab_;
    int line_;
    // A line of at most kMaxLine bytes holds fewer tokens than that.
    uint16_t tokens_;
    uint16_t textSize_;
};

// A block or section of a parsed block.
class SectionNode final : public Node {
public:
    static SectionNode* Make(BlockArena* arena) {
        return ::new (arena->Allocate(sizeof(SectionNode))) SectionNode(arena);
    }
    // delete runs the destructor and hands the memory back to the block, which frees it with
    // its last node.
    static void operator delete(SectionNode* node, std::destroying_delete_t) {
        BlockArena* arena = node->arena_;
        node->~SectionNode();
        arena->Release(node);
    }

    IToken* GetToken() override { return nullptr; }
    const BlockArena* Arena() const { return arena_; }

private:
    explicit SectionNode(BlockArena* arena) : arena_(arena) {}

    BlockArena* arena_;
};

// A token node of a parsed block: node and token in one object. The text is a view of the
// block's copy of the line until SetText gives the token a text of its own.
class TokenNode final : public Node, public IToken {
public:
    static TokenNode* Make(BlockArena* arena, size_t begin, size_t end, int type) {
        return ::new (arena->Allocate(sizeof(TokenNode))) TokenNode(arena, begin, end, type);
    }
    static void operator delete(TokenNode* node, std::destroying_delete_t) {
        BlockArena* arena = node->Arena();
        node->~TokenNode();
        arena->Release(node);
    }

    ~TokenNode() override { Free(AsRewrite()); }

    IToken* GetToken() override { return this; }

    std::string GetSourceText() override { return std::string(Source()); }
    std::string GetText() override { return std::string(Current()); }
    int GetLine() override { return Arena()->Line(); }
    int GetEndLine() override { return Arena()->Line(); }
    int GetColumn() override { return ColumnOf(begin_); }
    int GetType() override { return type_; }
    void SetType(int type) override { type_ = type; }
    void SetText(const std::string& text) override;

    // The current text, lent: valid until the token is rewritten or deleted.
    std::string_view TextView() const { return Current(); }

private:
    // A token's own text after a rewrite, with the block the token came from; the bytes of the
    // text follow it in the same allocation.
    struct Rewrite {
        BlockArena* arena;
        size_t size;
        std::string_view Text() const { return {reinterpret_cast<const char*>(this + 1), size}; }
    };
    static Rewrite* MakeRewrite(BlockArena* arena, const std::string& text);
    static void Free(Rewrite* rewrite) { ::operator delete(rewrite); }

    // Tags in the low bits of where_, free because both targets are pointer-aligned.
    static constexpr uintptr_t kRewritten = 1;  // where_ is a Rewrite
    static constexpr uintptr_t kEmptied = 2;    // where_ is the block, the text is ""
    static constexpr uintptr_t kTags = kRewritten | kEmptied;

    TokenNode(BlockArena* arena, size_t begin, size_t end, int type)
        : where_(reinterpret_cast<uintptr_t>(arena)),
          begin_(static_cast<uint16_t>(begin)),
          size_(static_cast<uint16_t>(end - begin)),
          type_(type) {}

    Rewrite* AsRewrite() const {
        return (where_ & kRewritten) != 0 ? reinterpret_cast<Rewrite*>(where_ & ~kTags) : nullptr;
    }
    BlockArena* Arena() const {
        if (const Rewrite* rewrite = AsRewrite()) return rewrite->arena;
        return reinterpret_cast<BlockArena*>(where_ & ~kTags);
    }
    std::string_view Source() const { return Arena()->Text(begin_, size_); }
    std::string_view Current() const;

    // One word for the block's memory or a rewrite (told apart by the tags) and 16-bit spans
    // keep a token node at six words, two of them the vtables.
    uintptr_t where_;
    uint16_t begin_;  // byte offset in the line, which is also the column less one
    uint16_t size_;
    int type_;
};

static_assert(alignof(TokenNode) <= kAlign && alignof(SectionNode) <= kAlign);
// What a parsed block costs per node on 64-bit targets; a change here shows in peak memory.
static_assert(sizeof(void*) != 8 || (sizeof(TokenNode) == 48 && sizeof(SectionNode) == 32));

TokenNode::Rewrite* TokenNode::MakeRewrite(BlockArena* arena, const std::string& text) {
    static_assert(alignof(BlockArena) > kTags && alignof(Rewrite) > kTags);
    void* memory = ::operator new(sizeof(Rewrite) + text.size());
    auto* rewrite = ::new (memory) Rewrite{arena, text.size()};
    std::memcpy(rewrite + 1, text.data(), text.size());
    return rewrite;
}

std::string_view TokenNode::Current() const {
    if (const Rewrite* rewrite = AsRewrite()) return rewrite->Text();
    if ((where_ & kEmptied) != 0) return {};
    return Source();
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

// Our own node behind an interface pointer, or null for a node made outside this library. The
// classes are final and local to this file, so each test compares two type_info addresses.
Node* AsNode(ISyntaxTreeNode* node) {
    if (node == nullptr) return nullptr;
    const std::type_info& type = typeid(*node);
    if (type == typeid(TokenNode)) return static_cast<TokenNode*>(node);
    if (type == typeid(SectionNode)) return static_cast<SectionNode*>(node);
    if (type == typeid(HeapNode)) return static_cast<HeapNode*>(node);
    return nullptr;
}

Node::~Node() {
    // A node deleted while still attached leaves its parent, so the parent never holds a
    // dangling child.
    if (ChildList* siblings = parent_ != nullptr ? parent_->Children() : nullptr) {
        const auto found = std::find(siblings->begin(), siblings->end(), this);
        if (found != siblings->end()) siblings->erase(found);
    }
    ChildList* list = Children();
    if (list == nullptr) return;
    // Descendants are released from a work list rather than by recursion, so that a tree of any
    // depth can be destroyed; each one is emptied and orphaned before its own destructor runs,
    // which then has nothing left to walk.
    if (!list->empty()) {
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
    if ((list_ & kOwnedList) != 0) {
        delete list;
    } else {
        list->~ChildList();
    }
}

ChildList& Node::List() {
    if (list_ == 0) list_ = reinterpret_cast<uintptr_t>(new ChildList()) | kOwnedList;
    return *Children();
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

// Builds the nodes of plan in order with make(planned), each linked to its planned parent, then
// given its list by giveList(node, planned); returns the first, the block.
template <typename MakeNode, typename GiveList>
std::unique_ptr<ISyntaxTreeNode> BuildPlan(std::vector<PlannedNode>& plan, MakeNode make,
                                           GiveList giveList) {
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
        giveList(node, planned);
    }
    return block;
}

// Structural nodes always get a list, so that hosts walking sections never make one; token
// nodes only when the line gives them children.
bool NeedsList(const PlannedNode& planned) { return planned.type == 0 || planned.childCount > 0; }

}  // namespace

BlockScratch::~BlockScratch() {
    if (slab != nullptr) static_cast<Slab*>(slab)->Release();
}

std::unique_ptr<ISyntaxTreeNode> BuildBlockTree(std::string_view line, int lineNumber,
                                                BlockScratch& scratch) {
    std::vector<PlannedNode>& plan = scratch.plan;
    size_t tokens = 0;
    size_t lists = 0;
    for (const PlannedNode& planned : plan) {
        tokens += planned.type != 0 ? 1 : 0;
        lists += NeedsList(planned) ? 1 : 0;
    }
    const size_t nodeBytes = tokens * RoundUp(sizeof(TokenNode)) +
                             (plan.size() - tokens) * RoundUp(sizeof(SectionNode)) +
                             lists * RoundUp(sizeof(ChildList));
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
            },
            [](Node* node, const PlannedNode& planned) {
                if (planned.childCount > 0) node->List().reserve(planned.childCount);
            });
    }
    // Blocks go one after the other into the slab being filled, and into a new one when it is
    // full; the parse holds the slab it fills.
    const size_t footprint = BlockArena::Footprint(line.size(), nodeBytes);
    auto* slab = static_cast<Slab*>(scratch.slab);
    if (slab == nullptr || slab->Room() < footprint) {
        Slab* next = Slab::Create(footprint);
        next->Hold();
        if (slab != nullptr) slab->Release();
        scratch.slab = slab = next;
    }
    BlockArena* arena = BlockArena::Create(slab, line, lineNumber, tokens);
    return BuildPlan(
        plan,
        [arena](const PlannedNode& planned) {
            if (planned.type == 0) return static_cast<Node*>(SectionNode::Make(arena));
            return static_cast<Node*>(
                TokenNode::Make(arena, planned.begin, planned.end, planned.type));
        },
        [arena](Node* node, const PlannedNode& planned) {
            if (NeedsList(planned)) arena->GiveList(node, planned.childCount);
        });
}

std::vector<ISyntaxTreeNode*>* ChildrenOf(ISyntaxTreeNode* node) {
    if (Node* own = AsNode(node)) return own->Children();
    return node != nullptr ? &node->GetChildren() : nullptr;
}

std::optional<std::string_view> TokenTextOf(ISyntaxTreeNode* node) {
    if (node == nullptr || typeid(*node) != typeid(TokenNode)) return std::nullopt;
    return static_cast<TokenNode*>(node)->TextView();
}

TreeSizeHint SizeHintOf(ISyntaxTreeNode* node) {
    if (node == nullptr || typeid(*node) != typeid(SectionNode)) return {};
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
