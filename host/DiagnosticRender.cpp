// DiagnosticRender: the "file:line:column: error[code]: text" form with source, caret and notes.
#include "host/DiagnosticRender.h"

#include <string_view>

#include "host/CaretLine.h"

namespace kv::host {
namespace {

// gcc's palette: the place bold, errors red, warnings magenta, notes cyan, the caret green.
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kRed = "\x1b[1;31m";
constexpr std::string_view kMagenta = "\x1b[1;35m";
constexpr std::string_view kCyan = "\x1b[1;36m";
constexpr std::string_view kGreen = "\x1b[1;32m";
constexpr std::string_view kReset = "\x1b[0m";

class Painter {
public:
    explicit Painter(bool colour) : colour_(colour) {}
    void Add(std::string& out, std::string_view style, std::string_view text) const {
        if (!colour_) {
            out += text;
            return;
        }
        out += style;
        out += text;
        out += kReset;
    }

private:
    bool colour_;
};

std::string_view SeverityStyle(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return kRed;
        case Severity::Warning:
            return kMagenta;
        case Severity::Note:
            return kCyan;
    }
    return kBold;
}

std::string SeverityLabel(Severity severity, int code) {
    std::string label = severity == Severity::Error     ? "error"
                        : severity == Severity::Warning ? "warning"
                                                        : "note";
    if (code != 0) label += "[" + std::to_string(code) + "]";
    return label + ":";
}

// "place: severity: text" and, where the place is a line of source, that line and the caret.
void AddHeading(std::string& out, const Painter& paint, const SourceLocation& where,
                Severity severity, int code, const std::string& text, const SourceText* source,
                bool showLine) {
    paint.Add(out, kBold, TerminalText(Locus(where)) + ":");
    out += ' ';
    paint.Add(out, SeverityStyle(severity), SeverityLabel(severity, code));
    out += ' ' + TerminalText(text) + '\n';
    if (!showLine || source == nullptr || where.file != source->Name() || where.line < 1 ||
        where.line > source->LineCount()) {
        return;
    }
    const std::string_view line = source->Line(where.line);
    out += TerminalText(line) + '\n';
    if (where.column < 1) return;
    const std::string caret = CaretLine(line, where.column, where.endColumn);
    // The padding stays plain: only the caret and the range are coloured.
    const std::size_t mark = caret.find('^');
    out.append(caret, 0, mark);
    paint.Add(out, kGreen, std::string_view(caret).substr(mark));
    out += '\n';
}

}  // namespace

std::string Locus(const SourceLocation& where) {
    std::string locus = where.file;
    if (where.line < 1) return locus;
    locus += ":" + std::to_string(where.line);
    if (where.column >= 1) locus += ":" + std::to_string(where.column);
    return locus;
}

std::string RenderText(const DiagnosticRecord& record, const SourceText* source, bool colour) {
    const Painter paint(colour);
    std::string out;
    AddHeading(out, paint, record.where, record.severity, record.code, record.message, source,
               true);
    for (const std::string& detail : record.details) out += "    " + TerminalText(detail) + "\n";
    for (const DiagnosticNote& note : record.notes) {
        const bool ownPlace = note.where.file.empty();
        AddHeading(out, paint, ownPlace ? record.where : note.where, Severity::Note, 0, note.text,
                   source, !ownPlace);
    }
    return out;
}

}  // namespace kv::host
