// DiagnosticRender: the "file:line:column: error[code]: text" form with source and caret.
#include "host/DiagnosticRender.h"

#include "host/CaretLine.h"

namespace kv::host {

const char* LogOpName(LogOp op) {
    switch (op) {
        case LogOp::Print:
            return "Print";
        case LogOp::PrintLine:
            return "PrintLine";
        case LogOp::ReportError:
            return "ReportError";
        case LogOp::ReportErrorAt:
            return "ReportErrorAt";
        case LogOp::ReportErrorAtWithData:
            return "ReportErrorAtWithData";
    }
    return "";
}

std::string RenderSourceDiagnostic(std::string_view severity, const SourceText& source, int line,
                                   int column, const std::string& text) {
    std::string out = source.Name() + ":" + std::to_string(line);
    if (column >= 1) out += ":" + std::to_string(column);
    out += ": ";
    out += severity;
    out += ": " + TerminalText(text) + "\n";
    if (line <= source.LineCount()) {
        const std::string_view shown = source.Line(line);
        out += TerminalText(shown) + "\n";
        if (column >= 1) out += CaretLine(shown, column) + "\n";
    }
    return out;
}

std::string RenderDiagnostic(const LogCall& call, const SourceText* source,
                             const std::string& bundleName) {
    const std::string severity = "error[" + std::to_string(call.code) + "]";
    const bool positioned = call.op != LogOp::ReportError && call.line >= 1 && source != nullptr;
    std::string out =
        positioned ? RenderSourceDiagnostic(severity, *source, call.line, call.column, call.text)
                   : bundleName + ": " + severity + ": " + TerminalText(call.text) + "\n";
    if (call.op == LogOp::ReportErrorAtWithData) {
        if (!call.extra.empty()) out += "    " + TerminalText(call.extra) + "\n";
        for (const auto& [key, value] : call.data) {
            out += "    " + TerminalText(key) + ": " + TerminalText(value) + "\n";
        }
    }
    return out;
}

}  // namespace kv::host
