// DiagnosticOutput: where every diagnostic of a run goes, in the form asked for. It shows each
// distinct diagnostic once, lets the annotator add its notes and range, keeps the text form to
// an error limit, and ends with a summary (text) or the whole document (JSON, SARIF).
#pragma once

#include <compare>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "host/DiagnosticJson.h"
#include "host/DiagnosticRecord.h"
#include "host/SourceText.h"

namespace kv::host {

enum class DiagnosticFormat { Text, Json, Sarif };

struct DiagnosticOptions {
    DiagnosticFormat format = DiagnosticFormat::Text;
    bool colour = false;  // the text form in gcc's colours
    int maxErrors = 50;   // errors the text form shows; 0: every one
    SarifTool sarif;      // the tool a SARIF log names
};

class DiagnosticOutput {
public:
    // out must outlive the output.
    DiagnosticOutput(std::ostream& out, DiagnosticOptions options);

    // The recipe whose lines the text shows and SARIF counts columns in; may stay null.
    void SetSource(const SourceText* source) { source_ = source; }
    // Adds notes and ranges to each diagnostic before it is shown; null for none. It must
    // outlive the output.
    void SetAnnotator(DiagnosticAnnotator* annotator) { annotator_ = annotator; }

    // Shows the record (text) or keeps it for the document, unless an identical one (same
    // severity, code, place and message) came before. Errors past the text's limit are only
    // counted, and not annotated.
    void Report(DiagnosticRecord record);

    // Distinct errors and warnings reported so far, shown or not.
    int ErrorCount() const { return errors_; }
    int WarningCount() const { return warnings_; }

    // Ends the output, once: the text form says how many errors the limit left out and sums up
    // ("1 warning and 2 errors generated.", nothing when there were none); the JSON and SARIF
    // forms write their whole document.
    void Finish();

private:
    struct Key {
        Severity severity;
        int code;
        std::string file;
        int line;
        int column;
        std::string message;
        auto operator<=>(const Key&) const = default;
    };

    std::ostream& out_;
    DiagnosticOptions options_;
    const SourceText* source_ = nullptr;
    DiagnosticAnnotator* annotator_ = nullptr;
    std::set<Key> seen_;
    std::vector<DiagnosticRecord> kept_;  // for the JSON and SARIF documents
    int errors_ = 0;
    int warnings_ = 0;
    int hidden_ = 0;
};

}  // namespace kv::host
