// LspFeatures: hover, completion and go-to-definition on a recipe line, answered from the
// bundle's index and the line's text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kvc/lsp/BundleIndex.h"

namespace kv::lsp {

struct HoverText {
    std::string markdown;
    std::size_t start = 0;  // the word it describes, bytes of the line
    std::size_t end = 0;
};

// The protocol's completion item kinds that the server uses.
enum class CompletionKind {
    Function = 3,
    Variable = 6,
    Unit = 11,
    Value = 12,
    Reference = 18,
    EnumMember = 20,
};

struct CompletionEntry {
    std::string label;
    CompletionKind kind = CompletionKind::Value;
    std::string detail;
    std::string insertText;  // a snippet when snippet is set
    bool snippet = false;
    std::string filterText;  // what typing is matched against, when not the label
    // The bytes of the line the entry replaces.
    std::size_t start = 0;
    std::size_t end = 0;
};

// What the word at byte `at` of line is, in Markdown; nothing where the bundle has nothing to
// say.
std::optional<HoverText> HoverAt(const BundleIndex& index, std::string_view line, std::size_t at);

// What may be written at byte `at` of line, whose 1-based number gives the task of its step
// marker. Function entries carry a snippet of their parameters when snippets is set.
std::vector<CompletionEntry> CompleteAt(const BundleIndex& index, std::string_view line,
                                        int lineNumber, std::size_t at, bool snippets);

// Where the function, cooking parameter, ingredient, resource or variable at byte `at` of
// line is written in the bundle.
std::optional<TablePlace> DefinitionAt(const BundleIndex& index, std::string_view line,
                                       std::size_t at);

}  // namespace kv::lsp
