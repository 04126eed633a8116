// IToken: one token of a recipe, with its position and its current (possibly rewritten) text.
#pragma once

#include <string>

// Token types as the syntax stage assigns them.
namespace kv::TokenType {
constexpr int Name = 1;       // a name on the left of a comparison or assignment
constexpr int Literal = 2;    // quoted text, a number with or without unit, a # reference, null
constexpr int Operator = 3;   // a comparison or assignment operator
constexpr int Function = 4;   // the name of a call
constexpr int Unknown = 255;  // any other word
}  // namespace kv::TokenType

class IToken {
public:
    virtual ~IToken() = default;
    // The token as written in the recipe; used in messages.
    virtual std::string GetSourceText() = 0;
    // The current text, which checkers may rewrite.
    virtual std::string GetText() = 0;
    // The 1-based source line, which is also the logic number.
    virtual int GetLine() = 0;
    // The line on which the token ends.
    virtual int GetEndLine() = 0;
    // The 1-based byte column.
    virtual int GetColumn() = 0;
    virtual int GetType() = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetType(int type) = 0;
};
