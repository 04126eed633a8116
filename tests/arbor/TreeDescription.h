// TreeDescription: a compact text of a syntax tree so tests can assert whole trees at once.
#pragma once

#include <string>

#include "arbor/Arbor.h"

namespace kv::test {

// {..} for a node without token; text/type@line:column for a token, then (children) if any.
// Positions are left out when withPositions is false.
inline std::string Describe(ISyntaxTreeNode* node, bool withPositions = true) {
    if (node == nullptr) return "null";
    std::string out;
    IToken* token = node->GetToken();
    if (token != nullptr) {
        out += token->GetText() + "/" + std::to_string(token->GetType());
        if (withPositions) {
            out +=
                "@" + std::to_string(token->GetLine()) + ":" + std::to_string(token->GetColumn());
        }
    }
    const auto& children = node->GetChildren();
    if (token == nullptr || !children.empty()) {
        out += token == nullptr ? "{" : "(";
        for (size_t i = 0; i < children.size(); ++i) {
            if (i > 0) out += " ";
            out += Describe(children[i], withPositions);
        }
        out += token == nullptr ? "}" : ")";
    }
    return out;
}

}  // namespace kv::test
