// DiagnosticOutput: deduplicates, annotates, limits and counts, then renders in one form.
#include "host/DiagnosticOutput.h"

#include <utility>

#include "host/DiagnosticRender.h"
#include "host/HostMessages.h"

namespace kv::host {
namespace msg = kv::diag::host;

namespace {

std::string CountOf(int count, const kv::diag::Message<0>& one, const kv::diag::Message<1>& many) {
    return count == 1 ? kv::diag::Text(one) : kv::diag::Text(many, std::to_string(count));
}

}  // namespace

DiagnosticOutput::DiagnosticOutput(std::ostream& out, DiagnosticOptions options)
    : out_(out), options_(std::move(options)) {}

void DiagnosticOutput::Report(DiagnosticRecord record) {
    const auto& where = record.where;
    Key key{record.severity, record.code, where.file, where.line, where.column, record.message};
    if (!seen_.insert(std::move(key)).second) return;
    if (record.severity == Severity::Error) ++errors_;
    if (record.severity == Severity::Warning) ++warnings_;
    const bool text = options_.format == DiagnosticFormat::Text;
    if (text && record.severity == Severity::Error && options_.maxErrors > 0 &&
        errors_ > options_.maxErrors) {
        ++hidden_;
        return;
    }
    if (annotator_ != nullptr) annotator_->Annotate(record);
    if (text) {
        out_ << RenderText(record, source_, options_.colour);
    } else {
        kept_.push_back(std::move(record));
    }
}

void DiagnosticOutput::Finish() {
    switch (options_.format) {
        case DiagnosticFormat::Json:
            out_ << DiagnosticsToJson(kept_);
            return;
        case DiagnosticFormat::Sarif:
            out_ << DiagnosticsToSarif(kept_, source_, options_.sarif);
            return;
        case DiagnosticFormat::Text:
            break;
    }
    if (hidden_ > 0) {
        out_ << CountOf(hidden_, msg::OneErrorHidden, msg::ErrorsHidden) << '\n';
    }
    const std::string errors = CountOf(errors_, msg::OneError, msg::Errors);
    const std::string warnings = CountOf(warnings_, msg::OneWarning, msg::Warnings);
    if (errors_ > 0 && warnings_ > 0) {
        out_ << kv::diag::Text(msg::BothGenerated, warnings, errors) << '\n';
    } else if (errors_ > 0 || warnings_ > 0) {
        out_ << kv::diag::Text(msg::Generated, errors_ > 0 ? errors : warnings) << '\n';
    }
}

}  // namespace kv::host
