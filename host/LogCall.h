// LogCall: one call the library made on the log sink, as the sink keeps it.
#pragma once

#include <map>
#include <string>

namespace kv::host {

enum class LogOp { Print, PrintLine, ReportError, ReportErrorAt, ReportErrorAtWithData };

struct LogCall {
    LogOp op = LogOp::Print;
    int kind = 0;     // Print only
    int level = 0;    // every op but Print
    int code = 0;     // the Report* ops
    int line = -1;    // ReportErrorAt*: 1-based, -1 for none
    int column = -1;  // ReportErrorAt*: 1-based byte column, -1 for none
    std::string text;
    std::string extra;                        // ReportErrorAtWithData only
    std::map<std::string, std::string> data;  // ReportErrorAtWithData only

    bool IsError() const { return op != LogOp::Print && op != LogOp::PrintLine; }
};

// The op's name as the JSON lines write it ("Print", "ReportErrorAt", ...).
const char* LogOpName(LogOp op);

}  // namespace kv::host
