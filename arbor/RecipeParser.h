// RecipeParser: turns recipe text into one block tree per logic block.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "arbor/ISyntaxTreeNode.h"

// One syntax error; line and column are 1-based (column in bytes).
struct SyntaxError {
    int line = 0;
    int column = 0;
    int code = 0;         // one of the syntax error codes of the parser's message catalog
    std::string message;  // says what was expected and what was found
};

struct ParsedRecipe {
    // One block node per logic block, in source order; empty when any error was found.
    std::vector<std::unique_ptr<ISyntaxTreeNode>> blocks;
    std::vector<SyntaxError> errors;
};

// Parses a whole recipe (UTF-8 text; a leading byte-order mark and CR before LF are accepted).
ParsedRecipe ParseRecipe(const std::string& text);

// Classifies node's token again by the rules of the recipe format, after a checker rewrote its
// text: the node's place in the tree decides names (1) and calls (4), the text decides
// literals (2) and other words (255). Does nothing for a node without a token.
void ReclassifyToken(ISyntaxTreeNode* node);
