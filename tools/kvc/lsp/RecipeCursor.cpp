// RecipeCursor: a small lexer over one line and a walk that keeps the calls open at each place.
#include "tools/kvc/lsp/RecipeCursor.h"

#include <vector>

namespace kv::lsp {

bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == '.';
}

namespace {

enum class Lexeme {
    Word,
    Reference,
    Text,
    Arrow,
    Compare,
    Assign,
    Open,
    Close,
    Comma,
    Semicolon,
    Other
};

struct Token {
    Lexeme kind;
    std::size_t start;
    std::size_t end;
};

// The tokens of line before its comment, which starts at comment (the line's size when none).
std::vector<Token> Lex(std::string_view line, std::size_t& comment) {
    std::vector<Token> tokens;
    comment = line.size();
    std::size_t i = 0;
    const auto wordEnd = [&](std::size_t from) {
        while (from < line.size() && IsWordByte(line[from])) ++from;
        return from;
    };
    while (i < line.size()) {
        const char c = line[i];
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '/' && next == '/') {
            comment = i;
            break;
        } else if (c == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
            tokens.push_back({Lexeme::Text, i, end});
            i = end;
        } else if (c == '#') {
            const std::size_t end = wordEnd(i + 1);
            tokens.push_back({Lexeme::Reference, i, end});
            i = end;
        } else if (IsWordByte(c)) {
            const std::size_t end = wordEnd(i);
            tokens.push_back({Lexeme::Word, i, end});
            i = end;
        } else if (c == '=' && next == '>') {
            tokens.push_back({Lexeme::Arrow, i, i + 2});
            i += 2;
        } else if ((c == '=' || c == '!' || c == '>' || c == '<') && next == '=') {
            tokens.push_back({Lexeme::Compare, i, i + 2});
            i += 2;
        } else {
            const Lexeme kind = c == '>' || c == '<' ? Lexeme::Compare
                                : c == '='           ? Lexeme::Assign
                                : c == '('           ? Lexeme::Open
                                : c == ')'           ? Lexeme::Close
                                : c == ','           ? Lexeme::Comma
                                : c == ';'           ? Lexeme::Semicolon
                                                     : Lexeme::Other;
            tokens.push_back({kind, i, i + 1});
            ++i;
        }
    }
    return tokens;
}

// A parenthesis open at some place: a call's, or one that groups inside an argument.
struct Open {
    bool call;
    std::size_t nameStart;
    std::size_t nameEnd;
    std::size_t argument;
};

struct State {
    bool lineHasArrow = false;
    bool sawArrow = false;
    bool sawSemicolon = false;
    bool sawOperator = false;  // the statement has its comparison or assignment
    std::size_t leftStart = 0;
    std::size_t leftEnd = 0;
    bool hasLeft = false;
    std::vector<Open> opens;

    void NewStatement() {
        sawOperator = false;
        hasLeft = false;
    }
    const Open* InnermostCall() const {
        for (auto it = opens.rbegin(); it != opens.rend(); ++it) {
            if (it->call) return &*it;
        }
        return nullptr;
    }
};

bool NextIsOpen(const std::vector<Token>& tokens, std::size_t i) {
    return i + 1 < tokens.size() && tokens[i + 1].kind == Lexeme::Open;
}

// The role of a word or reference (or of an empty word) in the state before it.
void Describe(std::string_view line, const State& state, Cursor& cursor, bool callFollows) {
    cursor.mayBeCondition = state.lineHasArrow ? !state.sawArrow : !state.sawSemicolon;
    cursor.mayBeAction = !state.lineHasArrow || state.sawArrow;
    if (const Open* call = state.InnermostCall()) {
        cursor.inCall = true;
        cursor.call = std::string(line.substr(call->nameStart, call->nameEnd - call->nameStart));
        cursor.callStart = call->nameStart;
        cursor.argument = call->argument;
    }
    if (callFollows) {
        cursor.role = CursorRole::CallName;
    } else if (cursor.role == CursorRole::Reference) {
        // Stays a reference.
    } else if (cursor.inCall) {
        cursor.role = CursorRole::Argument;
    } else if (state.sawOperator) {
        cursor.role = CursorRole::Operand;
    } else {
        cursor.role = CursorRole::LeftName;
    }
    if (!cursor.inCall && state.sawOperator && state.hasLeft) {
        cursor.leftName =
            std::string(line.substr(state.leftStart, state.leftEnd - state.leftStart));
    }
}

}  // namespace

Cursor FindCursor(std::string_view line, std::size_t at) {
    std::size_t comment = 0;
    const std::vector<Token> tokens = Lex(line, comment);
    Cursor cursor;
    cursor.start = cursor.end = at;
    if (at > comment) return cursor;
    State state;
    for (const Token& token : tokens) {
        state.lineHasArrow = state.lineHasArrow || token.kind == Lexeme::Arrow;
    }

    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        const bool touches = token.start <= at && at <= token.end;
        if (touches && (token.kind == Lexeme::Word || token.kind == Lexeme::Reference)) {
            cursor.start = token.start;
            cursor.end = token.end;
            if (token.kind == Lexeme::Reference) {
                cursor.role = CursorRole::Reference;
                cursor.word =
                    std::string(line.substr(token.start + 1, token.end - token.start - 1));
            } else {
                cursor.word = std::string(line.substr(token.start, token.end - token.start));
            }
            Describe(line, state, cursor, token.kind == Lexeme::Word && NextIsOpen(tokens, i));
            return cursor;
        }
        if (token.start >= at) break;
        if (token.kind == Lexeme::Text && at > token.start && at < token.end) return cursor;
        switch (token.kind) {
            case Lexeme::Word:
                if (NextIsOpen(tokens, i)) {
                    state.opens.push_back({true, token.start, token.end, 0});
                    ++i;  // the parenthesis is the call's
                    if (tokens[i].end > at) return cursor;
                } else if (state.opens.empty() && !state.sawOperator && !state.hasLeft) {
                    state.hasLeft = true;
                    state.leftStart = token.start;
                    state.leftEnd = token.end;
                }
                break;
            case Lexeme::Open:
                state.opens.push_back({false, 0, 0, 0});
                break;
            case Lexeme::Close:
                if (!state.opens.empty()) state.opens.pop_back();
                break;
            case Lexeme::Comma:
                if (!state.opens.empty()) {
                    if (state.opens.back().call) ++state.opens.back().argument;
                } else {
                    state.NewStatement();
                }
                break;
            case Lexeme::Semicolon:
                state.opens.clear();
                state.sawSemicolon = true;
                state.NewStatement();
                break;
            case Lexeme::Arrow:
                state.opens.clear();
                state.sawArrow = true;
                state.NewStatement();
                break;
            case Lexeme::Compare:
            case Lexeme::Assign:
                if (state.opens.empty()) state.sawOperator = true;
                break;
            default:
                break;
        }
    }
    Describe(line, state, cursor, false);
    return cursor;
}

}  // namespace kv::lsp
