// DiagnosticRecord: one diagnostic as kvc shows it, whatever the format (text, JSON, SARIF).
// The library's log calls, the parser's errors and kvc's own warnings all become one of these
// before anything is printed, so that notes, ranges, limits and formats apply to all alike.
#pragma once

#include <string>
#include <vector>

namespace kv::host {

enum class Severity { Error, Warning, Note };

// Where a diagnostic or a note points. Lines are 1-based; columns are 1-based byte columns of
// the line in UTF-8, endColumn one past the last byte of the range. -1 means none: a file
// without a line, a line without a column, a caret without a range.
struct SourceLocation {
    std::string file;  // as the user named it: the recipe, the bundle, or a table file in it
    int line = -1;
    int column = -1;
    int endColumn = -1;
};

struct DiagnosticNote {
    SourceLocation where;  // file empty: the note belongs to the diagnostic's own place
    std::string text;
};

struct DiagnosticRecord {
    Severity severity = Severity::Error;
    int code = 0;  // 0 for kvc's own warnings that have no number
    SourceLocation where;
    std::string message;               // the text as it was reported, byte for byte
    std::vector<std::string> details;  // further lines the report carried (extra text, data)
    std::vector<DiagnosticNote> notes;
};

// Adds what the bundle and the recipe know about a diagnostic: notes and the range of the
// token or call it points at. Never changes the code, the position or the message.
class DiagnosticAnnotator {
public:
    virtual ~DiagnosticAnnotator() = default;
    virtual void Annotate(DiagnosticRecord& record) = 0;
};

}  // namespace kv::host
