// NodeAccess: null-safe reads and writes of a node's token, for every walker of the tree.
#pragma once

#include <string>
#include <string_view>

#include "arbor/BlockTree.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"

namespace kv::node {

// The node's token, or null for a missing node or a structural one.
inline IToken* TokenOf(ISyntaxTreeNode* node) {
    return node != nullptr ? node->GetToken() : nullptr;
}

// The current text of node's token; "" when it has none.
inline std::string TextOf(ISyntaxTreeNode* node) {
    IToken* token = TokenOf(node);
    return token != nullptr ? token->GetText() : std::string();
}

// TextOf without a copy where the node lends its text; any other node's text is read into
// scratch. Valid until the token is rewritten or scratch changes.
inline std::string_view TextViewOf(ISyntaxTreeNode* node, std::string& scratch) {
    if (const std::optional<std::string_view> lent = TokenTextOf(node)) return *lent;
    scratch = TextOf(node);
    return scratch;
}

// Sets the text of node's token; nothing happens when it has none.
inline void SetTextOf(ISyntaxTreeNode* node, const std::string& text) {
    if (IToken* token = TokenOf(node)) token->SetText(text);
}

// True for a node whose token names a function.
inline bool IsCallNode(ISyntaxTreeNode* node) {
    IToken* token = TokenOf(node);
    return token != nullptr && token->GetType() == kv::TokenType::Function;
}

}  // namespace kv::node
