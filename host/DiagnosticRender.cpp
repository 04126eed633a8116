// DiagnosticRender: the "file:line:column: error[code]: text" form with source and caret.
#include "host/DiagnosticRender.h"

#include "host/CaretLine.h"

namespace kvhost {

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

std::string RenderDiagnostic(const LogCall& call, const SourceText* source,
                             const std::string& bundleName) {
    const bool positioned = call.op != LogOp::ReportError && call.line >= 1 && source != nullptr;
    std::string out;
    if (positioned) {
        out = source->Name() + ":" + std::to_string(call.line);
        if (call.column >= 1) out += ":" + std::to_string(call.column);
    } else {
        out = bundleName;
    }
    out += ": error[" + std::to_string(call.code) + "]: " + call.text + "\n";
    if (positioned && call.line <= source->LineCount()) {
        const std::string_view line = source->Line(call.line);
        out.append(line.data(), line.size());
        out += "\n";
        if (call.column >= 1) out += CaretLine(line, call.column) + "\n";
    }
    if (call.op == LogOp::ReportErrorAtWithData) {
        if (!call.extra.empty()) out += "    " + call.extra + "\n";
        for (const auto& [key, value] : call.data) out += "    " + key + ": " + value + "\n";
    }
    return out;
}

}  // namespace kvhost
