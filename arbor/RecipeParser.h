// RecipeParser: turns recipe text into one block tree per logic block.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arbor/ISyntaxTreeNode.h"
#include "arbor/TextEncoding.h"

// One syntax error; line and column are 1-based (column in bytes).
struct SyntaxError {
    int line = 0;
    int column = 0;
    int code = 0;         // one of the syntax error codes of the parser's message catalog
    std::string message;  // says what was expected and what was found
    std::string note;     // a hint at the likely slip, or empty
};

struct ParsedRecipe {
    // One block node per logic block, in source order; empty when any error was found.
    std::vector<std::unique_ptr<ISyntaxTreeNode>> blocks;
    std::vector<SyntaxError> errors;
};

// Parses a whole recipe in the platform's encoding (UTF-8 text; GBK in the Windows build); a
// leading UTF-8 byte-order mark and CR before LF are accepted.
// Every line with an error yields exactly one error, at the first fault found on that line.
// Columns on the first line count from after a byte-order mark.
ParsedRecipe ParseRecipe(const std::string& text);

// Classifies node's token again by the rules of the recipe format, after a checker rewrote its
// text: the node's place in the tree decides names (1) and calls (4), the text decides
// literals (2) and other words (255). Does nothing for a node without a token.
void ReclassifyToken(ISyntaxTreeNode* node);

// As ParseRecipe(text), for text in the given encoding (the one-argument form uses the
// platform's: UTF-8, or GBK in the Windows build). No byte-order mark is recognised in GBK.
ParsedRecipe ParseRecipe(const std::string& text, RecipeEncoding encoding);
// The same for a text the caller keeps too: the blocks view their lines in it rather than in a
// copy of their own, and keep it alive as long as any of their nodes lives. Null parses as "".
ParsedRecipe ParseRecipe(std::shared_ptr<const std::string> text,
                         RecipeEncoding encoding = kPlatformRecipeEncoding);
// The same, handing each block kept to seeBlock as soon as it is built, while its nodes are still
// in the cache: for a host that reads something off every tree. After the first error no block
// is kept or handed on; those handed before it are dropped with the others.
ParsedRecipe ParseRecipe(std::shared_ptr<const std::string> text, RecipeEncoding encoding,
                         const std::function<void(ISyntaxTreeNode*)>& seeBlock);

// The type an operand or argument text gets: 2 (kv::TokenType::Literal) for quoted text, a number
// with or without unit, a # reference or null in any case; 255 (kv::TokenType::Unknown) otherwise.
int ClassifyValueText(std::string_view text, RecipeEncoding encoding = kPlatformRecipeEncoding);
