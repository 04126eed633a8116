// Token: the one IToken implementation, made by newToken.
#include <string>
#include <utility>

#include "arbor/Arbor.h"

namespace {

class Token final : public IToken {
public:
    Token(std::string text, int column, int line, int endLine, int type)
        : sourceText_(text),
          text_(std::move(text)),
          line_(line),
          endLine_(endLine),
          column_(column),
          type_(type) {}

    std::string GetSourceText() override { return sourceText_; }
    std::string GetText() override { return text_; }
    int GetLine() override { return line_; }
    int GetEndLine() override { return endLine_; }
    int GetColumn() override { return column_; }
    int GetType() override { return type_; }
    void SetText(const std::string& text) override { text_ = text; }
    void SetType(int type) override { type_ = type; }

private:
    const std::string sourceText_;  // as written; messages quote it even after a rewrite
    std::string text_;
    const int line_;
    const int endLine_;
    const int column_;  // 1-based, in bytes
    int type_;
};

}  // namespace

IToken* newToken(const std::string& text, int column, int line, int endLine, int type) {
    return new Token(text, column, line, endLine, type);
}
