// DiagnosticJson: diagnostic records as documents for tools: a JSON array and SARIF 2.1.0.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/DiagnosticRecord.h"
#include "host/SourceText.h"

namespace kv::host {

// A JSON array, one object per record and per line:
//   {"file":..., "line":3, "column":12, "endColumn":18, "code":1003, "level":"error",
//    "message":..., "details":[...], "notes":[{"file", "line", "column", "endColumn",
//    "message"}]}
// Columns are the text form's 1-based byte columns; what a record lacks is null (a code of 0
// too). A note without a file of its own carries the record's place. Ends with a line feed.
std::string DiagnosticsToJson(const std::vector<DiagnosticRecord>& records);

// How a SARIF rule (one per code) is described; an empty text is left out.
struct SarifRule {
    std::string shortDescription;
    std::string fullDescription;
};

// The tool a SARIF log names.
struct SarifTool {
    std::string name;  // also the rule id of the records without a code
    std::string version;
    std::string informationUri;                   // absolute; empty: left out
    std::function<SarifRule(int code)> describe;  // null: rules carry their ids only
    // The absolute URI, ending in '/', that relative paths are relative to (the directory the
    // tool ran in); empty: left to the reader.
    std::string baseUri;
};

// A SARIF 2.1.0 log of one run: the tool with one rule per code that occurs (ascending, the
// tool's own last), and one result per record with its physical location and the notes as
// related locations. Columns are UTF-16 code units, as the log declares; they are given only
// where the line is known (the lines of source). Paths become file URIs: a relative one
// relative to the base "SRCROOT".
std::string DiagnosticsToSarif(const std::vector<DiagnosticRecord>& records,
                               const SourceText* source, const SarifTool& tool);

// The file URI of an absolute path written as text: "/a b/c" -> "file:///a%20b/c", on Windows
// "C:\a" -> "file:///C:/a". Bytes outside the unreserved set are percent-encoded.
std::string FileUri(const std::string& absolutePath);

}  // namespace kv::host
