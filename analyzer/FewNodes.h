// FewNodes: the nodes a walk over one tree has met, and what it keeps for each. A tree mostly
// holds a handful of calls, which a short list tells apart without allocating; past kFew a hash
// index takes over, so that a tree of any size still costs its node count. Entries stay in the
// order they came.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

class ISyntaxTreeNode;

template <typename Value>
class FewNodes {
public:
    // The entry of node, or null.
    Value* Find(ISyntaxTreeNode* node) {
        const std::size_t at = IndexOf(node);
        return at == kNone ? nullptr : &entries_[at].second;
    }

    // The entry of node, made (value-initialised) when there was none; second is true then.
    std::pair<Value*, bool> Insert(ISyntaxTreeNode* node) {
        if (const std::size_t at = IndexOf(node); at != kNone) return {&entries_[at].second, false};
        entries_.emplace_back(node, Value{});
        if (!index_.empty()) {
            index_.emplace(node, entries_.size() - 1);
        } else if (entries_.size() > kFew) {
            index_.reserve(entries_.size() * 2);
            for (std::size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].first, i);
        }
        return {&entries_.back().second, true};
    }

    std::vector<std::pair<ISyntaxTreeNode*, Value>>& Entries() { return entries_; }

    // Empties the set; the list keeps its storage for the next tree, the index does not.
    void Clear() {
        entries_.clear();
        if (!index_.empty()) std::unordered_map<ISyntaxTreeNode*, std::size_t>().swap(index_);
    }

private:
    static constexpr std::size_t kFew = 16;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t IndexOf(ISyntaxTreeNode* node) const {
        if (!index_.empty()) {
            const auto found = index_.find(node);
            return found == index_.end() ? kNone : found->second;
        }
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].first == node) return i;
        }
        return kNone;
    }

    std::vector<std::pair<ISyntaxTreeNode*, Value>> entries_;
    std::unordered_map<ISyntaxTreeNode*, std::size_t> index_;
};
