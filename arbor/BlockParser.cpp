// BlockParser: parses one block line. Every scan moves forward only and nothing recurses, so a
// line costs time linear in its length and no input can deepen the call stack.
#include "arbor/BlockParser.h"

#include <climits>
#include <cstdint>
#include <utility>

#include "arbor/BlockTree.h"
#include "arbor/IToken.h"
#include "arbor/RecipeParser.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

// A carriage return that is not part of the line end is trimmed like any other space, so that
// a rendered block never carries one into its tokens.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsAsciiDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsNameStartByte(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' || c >= 0x80;
}

class BlockParser {
public:
    BlockParser(std::string_view line, int lineNumber, RecipeEncoding encoding,
                BlockScratch& scratch)
        : line_(line),
          lineNumber_(lineNumber),
          encoding_(encoding),
          scratch_(scratch),
          plan_(scratch.plan) {}

    std::unique_ptr<ISyntaxTreeNode> Parse(LineFault& fault);

private:
    // Nodes are named by their index in the plan.
    bool ParseConditions(size_t section, size_t begin, size_t end);
    bool ParseComparison(size_t section, size_t& pos, size_t end);
    bool ParseActions(size_t section, size_t begin, size_t end);
    bool ParseStatement(size_t section, size_t& pos, size_t end, bool& wasCall);
    bool ParseArguments(size_t call, size_t openPos, size_t& pos, size_t end);
    bool ScanName(size_t pos, size_t end, size_t& nameEnd);
    bool ScanValue(size_t pos, size_t end, bool stopAtArrow, size_t& stop);

    size_t FindArrow() const;
    size_t SkipNameChars(size_t pos, size_t end) const;
    size_t SkipSpaces(size_t pos, size_t end) const;
    bool IsByteOrderMarkAt(size_t pos) const;
    size_t TrimEnd(size_t begin, size_t end) const;
    size_t ComparisonLength(size_t pos, size_t end) const;
    bool IsArrowAt(size_t pos, size_t end) const;
    std::string DescribeFound(size_t pos) const;

    bool Fail(SyntaxMessage message, size_t pos);
    bool FailFound(SyntaxMessage message, size_t pos, std::string found);
    size_t AddNode(size_t parent, size_t begin, size_t end, int type);
    size_t AddValue(size_t parent, size_t begin, size_t end);

    std::string_view line_;
    int lineNumber_;
    RecipeEncoding encoding_;
    BlockScratch& scratch_;
    std::vector<PlannedNode>& plan_;  // the nodes found so far
    LineFault fault_;
};

std::unique_ptr<ISyntaxTreeNode> BlockParser::Parse(LineFault& fault) {
    // The tree is planned first and built once the line is known to be good, in one piece.
    plan_.clear();
    constexpr size_t kBlock = 0;
    plan_.emplace_back();
    const size_t conditions = AddNode(kBlock, 0, 0, 0);
    const size_t actions = AddNode(kBlock, 0, 0, 0);
    const size_t arrow = FindArrow();
    size_t actionsBegin = 0;
    bool parsed = true;
    if (arrow != kNone) {
        parsed = ParseConditions(conditions, 0, arrow);
        actionsBegin = arrow + 2;
    }
    parsed = parsed && ParseActions(actions, actionsBegin, line_.size());
    if (parsed) return BuildBlockTree(line_, lineNumber_, scratch_);
    fault = std::move(fault_);
    return nullptr;
}

// The first "=>" outside quotes and parentheses splits conditions from actions; any later one
// is an error found where the actions meet it.
size_t BlockParser::FindArrow() const {
    size_t depth = 0;
    for (size_t pos = 0; pos < line_.size(); ++pos) {
        const char c = line_[pos];
        if (c == '"') {
            const size_t close = line_.find('"', pos + 1);
            if (close == kNone) return kNone;
            pos = close;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (depth == 0 && IsArrowAt(pos, line_.size())) {
            return pos;
        }
    }
    return kNone;
}

bool BlockParser::ParseConditions(size_t section, size_t begin, size_t end) {
    size_t pos = begin;
    for (;;) {
        pos = SkipSpaces(pos, end);
        if (pos == end || line_[pos] == ',') return Fail(&kv::diag::syntax::EmptyCondition, pos);
        if (!ParseComparison(section, pos, end)) return false;
        if (pos == end) return true;
        const char c = line_[pos];
        if (c == ',') {
            ++pos;
            continue;
        }
        if (c == ')') return Fail(&kv::diag::syntax::UnmatchedCloseParenthesis, pos);
        return Fail(&kv::diag::syntax::ExpectConditionSeparator, pos);
    }
}

bool BlockParser::ParseComparison(size_t section, size_t& pos, size_t end) {
    const size_t nameBegin = pos;
    size_t nameEnd = 0;
    if (!ScanName(nameBegin, end, nameEnd)) return false;
    const size_t opBegin = SkipSpaces(nameEnd, end);
    const size_t opLength = ComparisonLength(opBegin, end);
    if (opLength == 0) return Fail(&kv::diag::syntax::ExpectComparisonOperator, opBegin);
    const size_t valueBegin = SkipSpaces(opBegin + opLength, end);
    size_t stop = 0;
    if (!ScanValue(valueBegin, end, false, stop)) return false;
    const size_t valueEnd = TrimEnd(valueBegin, stop);
    if (valueEnd == valueBegin) return Fail(&kv::diag::syntax::MissingOperand, stop);
    const size_t comparison =
        AddNode(section, opBegin, opBegin + opLength, kv::TokenType::Operator);
    AddNode(comparison, nameBegin, nameEnd, kv::TokenType::Name);
    AddValue(comparison, valueBegin, valueEnd);
    pos = stop;
    return true;
}

bool BlockParser::ParseActions(size_t section, size_t begin, size_t end) {
    size_t pos = begin;
    for (;;) {
        pos = SkipSpaces(pos, end);
        if (pos == end || line_[pos] == ';') return Fail(&kv::diag::syntax::EmptyAction, pos);
        if (IsArrowAt(pos, end)) return Fail(&kv::diag::syntax::SecondArrow, pos);
        bool wasCall = false;
        if (!ParseStatement(section, pos, end, wasCall)) return false;
        pos = SkipSpaces(pos, end);
        if (pos == end) return true;
        const char c = line_[pos];
        if (c == ';') {
            ++pos;
            continue;
        }
        if (IsArrowAt(pos, end)) return Fail(&kv::diag::syntax::SecondArrow, pos);
        if (c == ')') return Fail(&kv::diag::syntax::UnmatchedCloseParenthesis, pos);
        return Fail(
            wasCall ? &kv::diag::syntax::TextAfterCall : &kv::diag::syntax::ExpectActionSeparator,
            pos);
    }
}

bool BlockParser::ParseStatement(size_t section, size_t& pos, size_t end, bool& wasCall) {
    const size_t nameBegin = pos;
    size_t nameEnd = 0;
    if (!ScanName(nameBegin, end, nameEnd)) return false;
    const size_t next = SkipSpaces(nameEnd, end);
    if (next < end && line_[next] == '(') {
        wasCall = true;
        const size_t call = AddNode(section, nameBegin, nameEnd, kv::TokenType::Function);
        return ParseArguments(call, next, pos, end);
    }
    if (next == end || line_[next] != '=') {
        return Fail(&kv::diag::syntax::ExpectCallOrAssignment, next);
    }
    if (IsArrowAt(next, end)) return Fail(&kv::diag::syntax::SecondArrow, next);
    // "==" is a comparison, which has no place among actions.
    if (next + 1 < end && line_[next + 1] == '=') {
        return FailFound(&kv::diag::syntax::ExpectCallOrAssignment, next,
                         std::string(line_.substr(next, 2)));
    }
    const size_t valueBegin = SkipSpaces(next + 1, end);
    size_t stop = 0;
    if (!ScanValue(valueBegin, end, true, stop)) return false;
    const size_t valueEnd = TrimEnd(valueBegin, stop);
    if (valueEnd == valueBegin) return Fail(&kv::diag::syntax::MissingOperand, stop);
    const size_t assignment = AddNode(section, next, next + 1, kv::TokenType::Operator);
    AddNode(assignment, nameBegin, nameEnd, kv::TokenType::Name);
    AddValue(assignment, valueBegin, valueEnd);
    wasCall = false;
    pos = stop;
    return true;
}

bool BlockParser::ParseArguments(size_t call, size_t openPos, size_t& pos, size_t end) {
    size_t next = SkipSpaces(openPos + 1, end);
    if (next < end && line_[next] == ')') {
        pos = next + 1;
        return true;
    }
    for (;;) {
        const size_t argBegin = SkipSpaces(next, end);
        size_t stop = 0;
        if (!ScanValue(argBegin, end, false, stop)) return false;
        if (stop == end) {
            return FailFound(&kv::diag::syntax::UnclosedParenthesis, openPos,
                             kv::diag::syntax::EndOfLine.format);
        }
        const size_t argEnd = TrimEnd(argBegin, stop);
        if (argEnd == argBegin) return Fail(&kv::diag::syntax::MissingArgument, stop);
        AddValue(call, argBegin, argEnd);
        const char c = line_[stop];
        if (c == ')') {
            pos = stop + 1;
            return true;
        }
        if (c != ',') return Fail(&kv::diag::syntax::ExpectArgumentSeparator, stop);
        next = stop + 1;
    }
}

bool BlockParser::ScanName(size_t pos, size_t end, size_t& nameEnd) {
    const uint8_t first = pos < end ? static_cast<uint8_t>(line_[pos]) : 0;
    if (IsAsciiDigit(first)) {
        const size_t wordEnd = SkipNameChars(pos, end);
        return FailFound(&kv::diag::syntax::NameStartsWithDigit, pos,
                         std::string(line_.substr(pos, wordEnd - pos)));
    }
    if (pos >= end || !IsNameStartByte(first) || IsByteOrderMarkAt(pos)) {
        return Fail(&kv::diag::syntax::ExpectName, pos);
    }
    nameEnd = SkipNameChars(pos, end);
    return true;
}

// The raw text of an operand or argument runs to the next top-level ',' ';' ')' (or "=>" when
// asked) or to end; parentheses inside it are only counted, quoted text is skipped whole.
bool BlockParser::ScanValue(size_t pos, size_t end, bool stopAtArrow, size_t& stop) {
    size_t depth = 0;
    size_t outermostOpen = kNone;
    while (pos < end) {
        const char c = line_[pos];
        if (c == '"') {
            const size_t close = line_.find('"', pos + 1);
            pos = (close == kNone || close >= end) ? end : close + 1;
            continue;
        }
        if (c == '(') {
            if (depth == 0) outermostOpen = pos;
            ++depth;
        } else if (c == ')') {
            if (depth == 0) break;
            --depth;
        } else if (depth == 0 && (c == ',' || c == ';' || (stopAtArrow && IsArrowAt(pos, end)))) {
            break;
        }
        ++pos;
    }
    if (depth > 0) {
        return FailFound(&kv::diag::syntax::UnclosedParenthesis, outermostOpen,
                         kv::diag::syntax::EndOfLine.format);
    }
    stop = pos;
    return true;
}

size_t BlockParser::SkipNameChars(size_t pos, size_t end) const {
    while (pos < end) {
        const auto c = static_cast<uint8_t>(line_[pos]);
        if (IsByteOrderMarkAt(pos)) break;
        if (c >= 0x80) {
            // The line is known to be well-formed, so the length is never 0 here.
            const size_t length = WellFormedCharLength(line_, pos, encoding_);
            pos += length == 0 ? 1 : length;
        } else if (IsNameStartByte(c) || IsAsciiDigit(c)) {
            ++pos;
        } else {
            break;
        }
    }
    return pos < end ? pos : end;
}

// U+FEFF is invisible and a reader drops it at the start of a file, so a name holding one
// would not read back as written: it is no name character.
bool BlockParser::IsByteOrderMarkAt(size_t pos) const {
    return encoding_ == RecipeEncoding::Utf8 && line_.substr(pos, 3) == "\xEF\xBB\xBF";
}

size_t BlockParser::SkipSpaces(size_t pos, size_t end) const {
    while (pos < end && IsSpace(line_[pos])) ++pos;
    return pos;
}

size_t BlockParser::TrimEnd(size_t begin, size_t end) const {
    while (end > begin && IsSpace(line_[end - 1])) --end;
    return end;
}

size_t BlockParser::ComparisonLength(size_t pos, size_t end) const {
    if (pos + 1 < end) {
        const std::string_view two = line_.substr(pos, 2);
        if (two == "==" || two == "!=" || two == ">=" || two == "<=") return 2;
    }
    if (pos < end && (line_[pos] == '>' || line_[pos] == '<')) return 1;
    return 0;
}

bool BlockParser::IsArrowAt(size_t pos, size_t end) const {
    return pos + 1 < end && line_[pos] == '=' && line_[pos + 1] == '>';
}

// What a message quotes as found at pos: the end of the line, an arrow, or one character.
std::string BlockParser::DescribeFound(size_t pos) const {
    if (pos >= line_.size()) return kv::diag::syntax::EndOfLine.format;
    if (IsArrowAt(pos, line_.size())) return "=>";
    const size_t length = WellFormedCharLength(line_, pos, encoding_);
    return std::string(line_.substr(pos, length == 0 ? 1 : length));
}

bool BlockParser::Fail(SyntaxMessage message, size_t pos) {
    return FailFound(message, pos, DescribeFound(pos));
}

bool BlockParser::FailFound(SyntaxMessage message, size_t pos, std::string found) {
    fault_.message = message;
    fault_.pos = pos;
    fault_.found = std::move(found);
    return false;
}

// Plans a child of parent; type 0 plans a section, which has no token.
size_t BlockParser::AddNode(size_t parent, size_t begin, size_t end, int type) {
    ++plan_[parent].childCount;
    PlannedNode& node = plan_.emplace_back();
    node.parent = parent;
    node.begin = begin;
    node.end = end;
    node.type = type;
    return plan_.size() - 1;
}

size_t BlockParser::AddValue(size_t parent, size_t begin, size_t end) {
    const int type = ClassifyValueText(line_.substr(begin, end - begin), encoding_);
    return AddNode(parent, begin, end, type);
}

}  // namespace

std::unique_ptr<ISyntaxTreeNode> ParseBlockLine(std::string_view content, int lineNumber,
                                                RecipeEncoding encoding, LineFault& fault,
                                                BlockScratch& scratch) {
    BlockParser parser(content, lineNumber, encoding, scratch);
    return parser.Parse(fault);
}

int ColumnOf(size_t pos) {
    return pos >= static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(pos + 1);
}
