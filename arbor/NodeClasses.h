// NodeClasses: the classes behind ISyntaxTreeNode and IToken, for the files of this library that
// build trees or walk them. Nothing outside the library sees them: their objects are reached
// through the interfaces only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockParser.h"

// Sanitizer builds give every node of a parsed block its own allocation, so that a use of a
// deleted node is caught there even though a block's nodes normally share one.
#if defined(KV_ARBOR_NODE_PER_ALLOCATION) || defined(__SANITIZE_ADDRESS__)
#define KV_ARBOR_SEPARATE_NODES 1
#else
#define KV_ARBOR_SEPARATE_NODES 0
#endif

// Hidden, so that the library holds one type_info object per class (see IsExactly) and the
// walks reach them without going through the symbol table.
#if defined(__ELF__)
#pragma GCC visibility push(hidden)
#endif

namespace kv::arbor::nodes {

// Every node class holds pointers, sizes and ints at most, so pointer alignment serves them all
// (checked below) and keeps nodes packed tighter than the heap's 16 bytes would.
constexpr size_t kAlign = alignof(void*);

constexpr size_t RoundUp(size_t size) { return (size + kAlign - 1) / kAlign * kAlign; }

using ChildList = std::vector<ISyntaxTreeNode*>;

// The part every node class shares: the parent link and all tree editing. Where the children are
// kept is each class's own affair.
class Node : public ISyntaxTreeNode {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    ChildList& GetChildren() final;
    ISyntaxTreeNode* GetParent() final { return parent_; }
    bool IsFirstChild() final;
    void AddChild(ISyntaxTreeNode* child) final;
    void RemoveChild(ISyntaxTreeNode* child) final;
    ISyntaxTreeNode* GetRoot() final;

    // The children, or null for a leaf that never needed a list: most leaves are never asked,
    // and a list held by every leaf would cost three words each.
    virtual ChildList* Children() = 0;
    // Links a freshly built child whose place in the list is known to be free.
    void Attach(Node* child) {
        GetChildren().push_back(child);
        child->parent_ = this;
    }

protected:
    Node() = default;
    ~Node() override = default;

    // What every node's destructor does first: leave the parent, so that it never holds a
    // dangling child, and destroy the children in list.
    void Dismantle(ChildList* list);

private:
    bool HasAncestorOrSelf(const Node* node) const;
    bool HasChildren() {
        const ChildList* list = Children();
        return list != nullptr && !list->empty();
    }

    Node* parent_ = nullptr;
};

// Lists of leaves that were asked for one (GetChildren, AddChild). A token leaf of a parsed block
// has no room for a list of its own, so its list, if it ever gets one, is kept here. Shared by
// every tree of the process, on any thread; never destroyed, so that trees left to the process's
// exit need nothing of it.
class LeafLists {
public:
    static LeafLists& Get() {
        static auto* lists = new LeafLists();
        return *lists;
    }

    // Whether some leaf has a list: read before Get, so that the usual answer costs one load.
    static bool Any() { return count_.load(std::memory_order_acquire) != 0; }

    // The leaf's list, or null; without a lock while no leaf has one, which is the usual case.
    ChildList* Find(const Node* leaf) {
        if (count_.load(std::memory_order_acquire) == 0) return nullptr;
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = lists_.find(leaf);
        return found != lists_.end() ? found->second.get() : nullptr;
    }
    ChildList& Make(const Node* leaf) {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::unique_ptr<ChildList>& list = lists_[leaf];
        if (!list) {
            list = std::make_unique<ChildList>();
            count_.fetch_add(1, std::memory_order_release);
        }
        return *list;
    }
    // Takes the leaf's list away, for its destructor.
    std::unique_ptr<ChildList> Take(const Node* leaf) {
        if (count_.load(std::memory_order_acquire) == 0) return nullptr;
        const std::lock_guard<std::mutex> lock(mutex_);
        auto found = lists_.find(leaf);
        if (found == lists_.end()) return nullptr;
        std::unique_ptr<ChildList> list = std::move(found->second);
        lists_.erase(found);
        count_.fetch_sub(1, std::memory_order_release);
        return list;
    }

private:
    LeafLists() = default;

    std::mutex mutex_;
    std::unordered_map<const Node*, std::unique_ptr<ChildList>> lists_;
    inline static constinit std::atomic<size_t> count_{0};
};

// A node made by newSyntaxTreeNode; it owns a token made elsewhere (or none).
class HeapNode final : public Node {
public:
    explicit HeapNode(IToken* token) : token_(token) {}
    ~HeapNode() override {
        Dismantle(&list_);
        delete token_;
    }
    IToken* GetToken() override { return token_; }
    ChildList* Children() override { return &list_; }

private:
    IToken* token_;
    ChildList list_;
};

// Memory that consecutive blocks of one parse share, so that a recipe costs one allocation per
// slab rather than one per line. It is freed once the parse has moved on from it and the last
// node in it is gone, wherever that node has been moved by then.
class Slab {
public:
    // A slab with room for bytes, and for more blocks when they are small, whose blocks view
    // lines of text, which it keeps alive.
    static Slab* Create(size_t bytes, std::shared_ptr<const std::string> text) {
        const size_t size = std::max(bytes, kSlabBytes - Offset());
        return ::new (::operator new(Offset() + size)) Slab(size, std::move(text));
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
    // In sanitizer builds a slab holds only the blocks' headers, the nodes being allocated one
    // by one; its own counting is then still checked.
    // With its header a slab is 64 KiB, a size that allocators serve without waste.
    static constexpr size_t kSlabBytes = 64 * 1024;
    static constexpr size_t Offset() { return RoundUp(sizeof(Slab)); }

    Slab(size_t size, std::shared_ptr<const std::string> text)
        : size_(size), text_(std::move(text)) {}

    char* Bytes() { return reinterpret_cast<char*>(this); }

    std::atomic<size_t> holders_{0};  // nodes built in it and alive, and the parse filling it
    size_t used_ = 0;                 // bytes handed out after the header
    size_t size_;
    std::shared_ptr<const std::string> text_;  // what the blocks' lines are views of
};

// One parsed block in its slab: this header, then its nodes. The line is a view of the text the
// slab keeps.
class BlockArena {
public:
    // The longest line whose tokens fit the 16-bit spans a token node keeps.
    static constexpr size_t kMaxLine = std::numeric_limits<uint16_t>::max();

    // The bytes a block takes in its slab, for nodeBytes of nodes.
    static size_t Footprint(size_t nodeBytes) {
        return RoundUp(sizeof(BlockArena)) + (KV_ARBOR_SEPARATE_NODES ? 0 : nodeBytes);
    }

    // text is at most kMaxLine bytes of the text slab keeps; slab has room for the block's
    // footprint.
    static BlockArena* Create(Slab* slab, std::string_view text, int line, size_t tokens) {
        void* memory = slab->Take(sizeof(BlockArena));
        return ::new (memory) BlockArena(slab, text, line, tokens);
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

    // The end of a node whose destructor has run.
    void Release(void* object) {
#if KV_ARBOR_SEPARATE_NODES
        ::operator delete(object);
#else
        static_cast<void>(object);
#endif
        slab_->Release();
    }

    std::string_view Text(size_t begin, size_t size) const { return {text_ + begin, size}; }
    int Line() const { return line_; }
    size_t Tokens() const { return tokens_; }
    size_t TextSize() const { return textSize_; }

private:
    BlockArena(Slab* slab, std::string_view text, int line, size_t tokens)
        : slab_(slab),
          text_(text.data()),
          line_(line),
          tokens_(static_cast<uint16_t>(tokens)),
          textSize_(static_cast<uint16_t>(text.size())) {}

    Slab* slab_;
    const char* text_;
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
    ~SectionNode() override { Dismantle(&list_); }

    IToken* GetToken() override { return nullptr; }
    ChildList* Children() override { return &list_; }
    const BlockArena* Arena() const { return arena_; }

private:
    explicit SectionNode(BlockArena* arena) : arena_(arena) {}

    BlockArena* arena_;
    ChildList list_;
};

// A token node of a parsed block: node and token in one object. The text is a view of the
// block's copy of the line until SetText gives the token a text of its own. Made as a
// TokenLeaf, without room for children, or as a TokenBranch, with its list of them.
class TokenNode : public Node, public IToken {
public:
    // delete runs the destructor of the leaf or branch and hands the memory back to the block.
    static void operator delete(TokenNode* node, std::destroying_delete_t) {
        BlockArena* arena = node->Arena();
        node->~TokenNode();
        arena->Release(node);
    }

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

protected:
    TokenNode(BlockArena* arena, size_t begin, size_t end, int type)
        : where_(reinterpret_cast<uintptr_t>(arena)),
          begin_(static_cast<uint16_t>(begin)),
          size_(static_cast<uint16_t>(end - begin)),
          type_(type) {}
    ~TokenNode() override { Free(AsRewrite()); }

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
    // keep a token at five words, two of them the vtables.
    uintptr_t where_;
    uint16_t begin_;  // byte offset in the line, which is also the column less one
    uint16_t size_;
    int type_;
};

// A token the line gave no children: most of them. A list, if it is ever asked for, is kept
// aside.
class TokenLeaf final : public TokenNode {
public:
    static TokenLeaf* Make(BlockArena* arena, size_t begin, size_t end, int type) {
        return ::new (arena->Allocate(sizeof(TokenLeaf))) TokenLeaf(arena, begin, end, type);
    }
    ~TokenLeaf() override {
        const std::unique_ptr<ChildList> list =
            LeafLists::Any() ? LeafLists::Get().Take(this) : nullptr;
        Dismantle(list.get());
    }
    ChildList* Children() override {
        return LeafLists::Any() ? LeafLists::Get().Find(this) : nullptr;
    }

private:
    using TokenNode::TokenNode;
};

// A token with children (a call, a comparison, an assignment), or a call that may get them.
class TokenBranch final : public TokenNode {
public:
    static TokenBranch* Make(BlockArena* arena, size_t begin, size_t end, int type) {
        return ::new (arena->Allocate(sizeof(TokenBranch))) TokenBranch(arena, begin, end, type);
    }
    ~TokenBranch() override { Dismantle(&list_); }
    ChildList* Children() override { return &list_; }

private:
    using TokenNode::TokenNode;

    ChildList list_;
};

static_assert(alignof(TokenBranch) <= kAlign && alignof(SectionNode) <= kAlign);
// What a parsed block costs per node on 64-bit targets; a change here shows in peak memory.
static_assert(sizeof(void*) != 8 ||
              (sizeof(TokenLeaf) == 40 && sizeof(TokenBranch) == 64 && sizeof(SectionNode) == 48));

inline std::string_view TokenNode::Current() const {
    if (const Rewrite* rewrite = AsRewrite()) return rewrite->Text();
    if ((where_ & kEmptied) != 0) return {};
    return Source();
}

// Whether object is exactly of class T. The node classes are hidden inside this library, so
// each has one type_info object and comparing addresses is exact; the library-wide comparison
// would also read the names of the classes that differ.
template <typename T>
inline bool IsExactly(ISyntaxTreeNode* object) {
    return &typeid(*object) == &typeid(T);
}

// A token node of a parsed block behind an interface pointer, or null.
inline TokenNode* AsTokenNode(ISyntaxTreeNode* node) {
    if (node == nullptr) return nullptr;
    if (IsExactly<TokenLeaf>(node)) return static_cast<TokenLeaf*>(node);
    if (IsExactly<TokenBranch>(node)) return static_cast<TokenBranch*>(node);
    return nullptr;
}

// Our own node behind an interface pointer, or null for a node made outside this library.
inline Node* AsNode(ISyntaxTreeNode* node) {
    if (TokenNode* token = AsTokenNode(node)) return token;
    if (node == nullptr) return nullptr;
    if (IsExactly<SectionNode>(node)) return static_cast<SectionNode*>(node);
    if (IsExactly<HeapNode>(node)) return static_cast<HeapNode*>(node);
    return nullptr;
}

// What the walks read of a node, without a virtual call where the node is of these classes.

// The children, as ChildrenOf gives them. node is not null.
inline ChildList* ChildrenRead(ISyntaxTreeNode* node) {
    const std::type_info& type = typeid(*node);
    if (&type == &typeid(TokenLeaf)) return static_cast<TokenLeaf*>(node)->TokenLeaf::Children();
    if (&type == &typeid(TokenBranch)) {
        return static_cast<TokenBranch*>(node)->TokenBranch::Children();
    }
    if (&type == &typeid(SectionNode)) {
        return static_cast<SectionNode*>(node)->SectionNode::Children();
    }
    if (&type == &typeid(HeapNode)) return static_cast<HeapNode*>(node)->HeapNode::Children();
    return &node->GetChildren();
}

// The token, as GetToken gives it. node is not null.
inline IToken* TokenRead(ISyntaxTreeNode* node) {
    if (TokenNode* own = AsTokenNode(node)) return own;
    if (IsExactly<SectionNode>(node)) return nullptr;
    return node->GetToken();
}

// The parent, as GetParent gives it. node is not null.
inline ISyntaxTreeNode* ParentRead(ISyntaxTreeNode* node) {
    if (Node* own = AsNode(node)) return own->Node::GetParent();
    return node->GetParent();
}

// The type of token, node's token (not null).
inline int TypeRead(ISyntaxTreeNode* node, IToken* token) {
    if (TokenNode* own = AsTokenNode(node)) return own->TokenNode::GetType();
    return token->GetType();
}

}  // namespace kv::arbor::nodes

#if defined(__ELF__)
#pragma GCC visibility pop
#endif
