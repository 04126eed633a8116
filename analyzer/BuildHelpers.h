// BuildHelpers: null-safe node reads and overflow-free number reads shared by the task builders.
#pragma once

#include <climits>
#include <cstdlib>
#include <string>

#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"

namespace kv_build {

// The node's token, or null for a missing node or a structural one.
inline IToken* TokenOf(ISyntaxTreeNode* node) {
    return node != nullptr ? node->GetToken() : nullptr;
}

// The current text of node's token; "" when it has none.
inline std::string TextOf(ISyntaxTreeNode* node) {
    IToken* token = TokenOf(node);
    return token != nullptr ? token->GetText() : std::string();
}

// True for a node whose token names a function.
inline bool IsCallNode(ISyntaxTreeNode* node) {
    IToken* token = TokenOf(node);
    return token != nullptr && token->GetType() == TokenType::Function;
}

// The integer at the start of text as strtol reads it in base 10 (leading white space and a
// sign allowed, the rest ignored; 0 when there is none), but wide enough that nothing wraps:
// values beyond long long saturate, so a caller can tell an int from a value past its range.
inline long long LeadingInteger(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

inline bool FitsInt(long long value) { return value >= INT_MIN && value <= INT_MAX; }

}  // namespace kv_build
