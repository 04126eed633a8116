// RecipeLineScan: the calls and statements of one recipe line, found again in its text, so that
// a diagnostic's column can be widened to the call, statement or value it points at. It reads
// the line as written: the analysis rewrites its syntax trees, never the recipe.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace kv::host {

// A piece of a line: 1-based byte columns, end one past its last byte.
struct ColumnSpan {
    int begin = 0;
    int end = 0;
};

// `name(argument, ...)`; whole runs from the name to the closing parenthesis (to the end of
// the statement when it is missing).
struct ScannedCall {
    ColumnSpan name;
    ColumnSpan whole;
    std::vector<ColumnSpan> arguments;  // trimmed, in order
};

// A comparison among the conditions or an assignment among the actions: `name op value`.
struct ScannedStatement {
    ColumnSpan name;
    ColumnSpan op;
    ColumnSpan value;  // trimmed
    ColumnSpan whole;  // from the name to the end of the value
};

class RecipeLineScan {
public:
    // line is one recipe line in UTF-8 without its line break; it is lent and must outlive the
    // scan. Its comment is left out. A line that breaks the grammar yields what can be read.
    explicit RecipeLineScan(std::string_view line);

    // The call whose name begins at column, or null.
    const ScannedCall* CallAt(int column) const;
    // The statement whose name begins at column, or null.
    const ScannedStatement* StatementAt(int column) const;
    // What a caret at column underlines: the whole call or statement whose name begins there;
    // else the argument, value, operator or name that begins at or holds the column; else
    // nothing.
    std::optional<ColumnSpan> RangeAt(int column) const;
    // The text of a span of this line.
    std::string_view Text(ColumnSpan span) const;

    const std::vector<ScannedCall>& Calls() const { return calls_; }
    const std::vector<ScannedStatement>& Statements() const { return statements_; }

private:
    void ScanSection(std::size_t begin, std::size_t end, char separator);
    void ScanStatement(std::size_t begin, std::size_t end);

    std::string_view line_;
    std::vector<ScannedCall> calls_;
    std::vector<ScannedStatement> statements_;
};

}  // namespace kv::host
