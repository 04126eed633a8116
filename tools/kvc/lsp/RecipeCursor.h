// RecipeCursor: what the word at a place of a recipe line is to the recipe (a call's name, a
// name on the left, an argument of a call, an operand, a # reference), read from the line's
// text alone so that it answers while the line is being typed and does not parse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv::lsp {

enum class CursorRole {
    None,       // a comment, a quoted text, an operator
    CallName,   // a name followed by "("
    LeftName,   // the name a condition compares or an assignment sets (or one being typed)
    Argument,   // a word inside a call's parentheses
    Operand,    // a word on the right of a comparison or assignment, outside any call
    Reference,  // "#name", inside a call or not
};

struct Cursor {
    CursorRole role = CursorRole::None;
    // The word the place touches, in bytes of the line: [start, end); start == end at a place
    // between words. For a reference, from its "#".
    std::size_t start = 0;
    std::size_t end = 0;
    std::string word;  // a reference's name without its "#"
    // Whether the statement at the place may be a condition (before the line's "=>", or on a
    // line without one before any ";") and whether it may be an action (after the "=>", or on
    // a line without one).
    bool mayBeCondition = false;
    bool mayBeAction = false;
    // The innermost call the place is inside, with the 0-based index of its argument.
    std::string call;
    std::size_t callStart = 0;
    std::size_t argument = 0;
    bool inCall = false;
    std::string leftName;  // Operand, or a Reference outside calls: the name on the left
};

// The role of the word at byte `at` of line (a place right after a word touches it).
Cursor FindCursor(std::string_view line, std::size_t at);

// Whether c may be part of a name or value word: ASCII letters and digits, "_", "." and every
// byte of a non-ASCII character.
bool IsWordByte(char c);

}  // namespace kv::lsp
