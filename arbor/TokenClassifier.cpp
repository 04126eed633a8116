// TokenClassifier: the token types that the recipe format gives to value texts and to rewritten
// tokens.
#include <cstdint>
#include <string_view>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/RecipeParser.h"

namespace {

bool IsAsciiDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameByte(uint8_t c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.'; }
// Units are words such as kg, ℃, % or r/min written straight after the number.
bool IsUnitStartByte(uint8_t c) { return IsAsciiLetter(c) || c == '_' || c == '%'; }
bool IsUnitByte(uint8_t c) { return IsUnitStartByte(c) || IsAsciiDigit(c) || c == '/'; }

uint8_t At(std::string_view text, size_t pos) { return static_cast<uint8_t>(text[pos]); }

// Index past the non-ASCII character at pos; the text may be unchecked, so a malformed byte counts
// as one character of its own.
size_t SkipWideChar(std::string_view text, size_t pos, RecipeEncoding encoding) {
    const size_t length = WellFormedCharLength(text, pos, encoding);
    return pos + (length == 0 ? 1 : length);
}

// Index past a run of characters accepted by asciiTest (non-ASCII ones always accepted), from pos.
template <typename AsciiTest>
size_t SkipRun(std::string_view text, size_t pos, RecipeEncoding encoding, AsciiTest asciiTest) {
    while (pos < text.size()) {
        const uint8_t c = At(text, pos);
        if (c >= 0x80) {
            pos = SkipWideChar(text, pos, encoding);
        } else if (asciiTest(c)) {
            ++pos;
        } else {
            break;
        }
    }
    return pos;
}

size_t SkipDigits(std::string_view text, size_t pos) {
    while (pos < text.size() && IsAsciiDigit(At(text, pos))) ++pos;
    return pos;
}

// A single quoted text: the only inner quote is the closing one (quotes have no escapes).
bool IsQuotedText(std::string_view text) {
    return text.size() >= 2 && text.front() == '"' && text.find('"', 1) == text.size() - 1;
}

bool IsNull(std::string_view text) {
    constexpr std::string_view kNull = "null";
    if (text.size() != kNull.size()) return false;
    for (size_t i = 0; i < kNull.size(); ++i) {
        const char lower = static_cast<char>(text[i] | 0x20);
        if (lower != kNull[i]) return false;
    }
    return true;
}

// "#name", or "#name#" as the checkers write it back.
bool IsReference(std::string_view text, RecipeEncoding encoding) {
    if (text.size() < 2 || text.front() != '#') return false;
    const size_t nameEnd = SkipRun(text, 1, encoding, IsNameByte);
    if (nameEnd == 1) return false;
    return nameEnd == text.size() || (nameEnd + 1 == text.size() && text.back() == '#');
}

// An optional sign, digits, an optional fraction of at least one digit, an optional unit.
bool IsNumberWithUnit(std::string_view text, RecipeEncoding encoding) {
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    const size_t digitsStart = pos;
    pos = SkipDigits(text, pos);
    if (pos == digitsStart) return false;
    if (pos < text.size() && text[pos] == '.') {
        const size_t fractionStart = pos + 1;
        pos = SkipDigits(text, fractionStart);
        if (pos == fractionStart) return false;
    }
    if (pos == text.size()) return true;
    const uint8_t unitStart = At(text, pos);
    if (unitStart < 0x80 && !IsUnitStartByte(unitStart)) return false;
    return SkipRun(text, pos, encoding, IsUnitByte) == text.size();
}

}  // namespace

int ClassifyValueText(std::string_view text, RecipeEncoding encoding) {
    const bool literal = IsQuotedText(text) || IsNull(text) || IsReference(text, encoding) ||
                         IsNumberWithUnit(text, encoding);
    return literal ? kv::TokenType::Literal : kv::TokenType::Unknown;
}

void ReclassifyToken(ISyntaxTreeNode* node) {
    if (node == nullptr) return;
    IToken* token = node->GetToken();
    if (token == nullptr) return;
    // An operator keeps its type wherever it stands: its text may be rewritten (">=" for a time
    // point), its role may not.
    const std::vector<ISyntaxTreeNode*>* children = ChildrenOf(node);
    if (token->GetType() == kv::TokenType::Operator && children != nullptr && !children->empty()) {
        return;
    }
    ISyntaxTreeNode* parent = node->GetParent();
    IToken* parentToken = parent != nullptr ? parent->GetToken() : nullptr;
    if (parent != nullptr && parentToken == nullptr) {
        // A statement straight under a section that is not an operator is a call.
        if (token->GetType() != kv::TokenType::Operator) token->SetType(kv::TokenType::Function);
        return;
    }
    if (parentToken != nullptr && parentToken->GetType() == kv::TokenType::Operator &&
        node->IsFirstChild()) {
        token->SetType(kv::TokenType::Name);
        return;
    }
    token->SetType(ClassifyValueText(token->GetText()));
}
