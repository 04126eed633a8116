// RecipeLineScan: one forward walk over the line, split the way the recipe parser splits it.
#include "host/RecipeLineScan.h"

#include <climits>
#include <cstddef>

namespace kv::host {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool IsNameByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
           b == '.' || b >= 0x80;
}

int ColumnOf(std::size_t pos) {
    return pos >= static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(pos + 1);
}

ColumnSpan SpanOf(std::size_t begin, std::size_t end) { return {ColumnOf(begin), ColumnOf(end)}; }

// Where the text after an opening quote at pos resumes: past the closing quote, or at end.
std::size_t PastQuote(std::string_view line, std::size_t pos, std::size_t end) {
    const std::size_t close = line.find('"', pos + 1);
    return close == kNone || close >= end ? end : close + 1;
}

// The end of the line's content: the first "//" outside quotes starts a comment.
std::size_t ContentEnd(std::string_view line) {
    for (std::size_t pos = 0; pos < line.size();) {
        if (line[pos] == '"') {
            pos = PastQuote(line, pos, line.size());
        } else if (line.substr(pos, 2) == "//") {
            return pos;
        } else {
            ++pos;
        }
    }
    return line.size();
}

// The first "=>" outside quotes and parentheses, which ends the conditions.
std::size_t FindArrow(std::string_view line, std::size_t end) {
    std::size_t depth = 0;
    for (std::size_t pos = 0; pos < end;) {
        const char c = line[pos];
        if (c == '"') {
            pos = PastQuote(line, pos, end);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        if (depth == 0 && c == '=' && pos + 1 < end && line[pos + 1] == '>') return pos;
        ++pos;
    }
    return kNone;
}

void Trim(std::string_view line, std::size_t& begin, std::size_t& end) {
    while (begin < end && IsSpace(line[begin])) ++begin;
    while (end > begin && IsSpace(line[end - 1])) --end;
}

std::size_t OperatorLength(std::string_view line, std::size_t pos, std::size_t end) {
    if (pos >= end) return 0;
    const std::string_view two = line.substr(pos, pos + 1 < end ? 2 : 1);
    if (two == "==" || two == "!=" || two == ">=" || two == "<=") return 2;
    const char c = line[pos];
    return c == '<' || c == '>' || c == '=' ? 1 : 0;
}

bool Holds(ColumnSpan span, int column) { return span.begin <= column && column < span.end; }

}  // namespace

RecipeLineScan::RecipeLineScan(std::string_view line) : line_(line) {
    const std::size_t end = ContentEnd(line_);
    const std::size_t arrow = FindArrow(line_, end);
    if (arrow == kNone) {
        ScanSection(0, end, ';');
        return;
    }
    ScanSection(0, arrow, ',');
    ScanSection(arrow + 2, end, ';');
}

// Splits [begin, end) at each separator outside quotes and parentheses.
void RecipeLineScan::ScanSection(std::size_t begin, std::size_t end, char separator) {
    std::size_t depth = 0;
    std::size_t start = begin;
    for (std::size_t pos = begin; pos < end;) {
        const char c = line_[pos];
        if (c == '"') {
            pos = PastQuote(line_, pos, end);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        if (depth == 0 && c == separator) {
            ScanStatement(start, pos);
            start = pos + 1;
        }
        ++pos;
    }
    ScanStatement(start, end);
}

void RecipeLineScan::ScanStatement(std::size_t begin, std::size_t end) {
    Trim(line_, begin, end);
    std::size_t nameEnd = begin;
    while (nameEnd < end && IsNameByte(line_[nameEnd])) ++nameEnd;
    if (nameEnd == begin) return;
    std::size_t next = nameEnd;
    while (next < end && IsSpace(line_[next])) ++next;

    if (next < end && line_[next] == '(') {
        ScannedCall& call = calls_.emplace_back();
        call.name = SpanOf(begin, nameEnd);
        std::size_t depth = 0;
        std::size_t argument = next + 1;
        std::size_t close = kNone;
        const auto addArgument = [&](std::size_t from, std::size_t to) {
            Trim(line_, from, to);
            if (to > from) call.arguments.push_back(SpanOf(from, to));
        };
        for (std::size_t pos = next + 1; pos < end && close == kNone;) {
            const char c = line_[pos];
            if (c == '"') {
                pos = PastQuote(line_, pos, end);
                continue;
            }
            if (c == '(') {
                ++depth;
            } else if (c == ')' && depth > 0) {
                --depth;
            } else if (c == ')') {
                close = pos;
            } else if (c == ',' && depth == 0) {
                addArgument(argument, pos);
                argument = pos + 1;
            }
            ++pos;
        }
        addArgument(argument, close != kNone ? close : end);
        call.whole = SpanOf(begin, close != kNone ? close + 1 : end);
        return;
    }

    const std::size_t length = OperatorLength(line_, next, end);
    if (length == 0) return;
    std::size_t valueBegin = next + length;
    std::size_t valueEnd = end;
    Trim(line_, valueBegin, valueEnd);
    ScannedStatement& statement = statements_.emplace_back();
    statement.name = SpanOf(begin, nameEnd);
    statement.op = SpanOf(next, next + length);
    statement.value = SpanOf(valueBegin, valueEnd);
    statement.whole = SpanOf(begin, valueEnd > valueBegin ? valueEnd : next + length);
}

const ScannedCall* RecipeLineScan::CallAt(int column) const {
    for (const ScannedCall& call : calls_) {
        if (call.name.begin == column) return &call;
    }
    return nullptr;
}

const ScannedStatement* RecipeLineScan::StatementAt(int column) const {
    for (const ScannedStatement& statement : statements_) {
        if (statement.name.begin == column) return &statement;
    }
    return nullptr;
}

std::optional<ColumnSpan> RecipeLineScan::RangeAt(int column) const {
    if (const ScannedCall* call = CallAt(column)) return call->whole;
    if (const ScannedStatement* statement = StatementAt(column)) return statement->whole;
    // The pieces do not overlap, so at most one holds the column.
    std::optional<ColumnSpan> found;
    const auto consider = [&](ColumnSpan span) {
        if (Holds(span, column)) found = span;
    };
    for (const ScannedCall& call : calls_) {
        consider(call.name);
        for (const ColumnSpan& argument : call.arguments) consider(argument);
    }
    for (const ScannedStatement& statement : statements_) {
        consider(statement.name);
        consider(statement.op);
        consider(statement.value);
    }
    return found;
}

std::string_view RecipeLineScan::Text(ColumnSpan span) const {
    if (span.begin < 1 || span.end < span.begin) return {};
    const auto begin = static_cast<std::size_t>(span.begin - 1);
    if (begin > line_.size()) return {};
    return line_.substr(begin, static_cast<std::size_t>(span.end - span.begin));
}

}  // namespace kv::host
