// LogSink: the host's ILanguageDebug. Keeps every call in order, shows listing lines on a
// stream and hands each report to the diagnostic output as a record, as they arrive.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "ILanguageDebug.h"
#include "host/DiagnosticOutput.h"
#include "host/HostText.h"
#include "host/LogCall.h"
#include "host/SourceText.h"

namespace kv::host {

class LogSink final : public ILanguageDebug {
public:
    // source may be null (no recipe yet); bundleName names position-less errors.
    // The stream, the output and source must outlive the sink.
    LogSink(std::ostream& listing, DiagnosticOutput& diagnostics, const SourceText* source,
            std::string bundleName);

    // True once any Report* call was made, held ones included; it stays true.
    bool HasError() override { return hasError_ || heldError_; }
    void Print(const std::string& text, int kind) override;
    void PrintLine(const std::string& text, int level) override;
    void ReportError(int code, const std::string& text, int level) override;
    void ReportErrorAt(int code, int line, int column, const std::string& text, int level) override;
    void ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                               const std::string& extra,
                               const std::map<std::string, std::string>& data, int level) override;
    // A report of the host's own (a syntax error): logged as the ReportErrorAt call it stands
    // for, and shown with notes, which the log does not hold. Note texts are host texts.
    void ReportErrorAtWithNotes(int code, int line, int column, const std::string& text, int level,
                                std::vector<DiagnosticNote> notes);

    // Whether listing lines are shown (they are by default); the log keeps them either way.
    void ShowListing(bool show) { showListing_ = show; }

    // Every call so far, in order; none when KeepCalls(false) was asked for.
    const std::vector<LogCall>& Calls() const { return calls_; }
    // Whether calls are kept for Calls() (they are by default). A host that writes no log of
    // them turns this off, so that a long compile does not hold every listing line.
    void KeepCalls(bool keep) { keepCalls_ = keep; }
    // Whether each call is also written at once as a line of JSON (LogCallToJson) for
    // JsonLines(); off by default. A host that writes only that log keeps no calls besides.
    void KeepJsonLines(bool keep) { keepJsonLines_ = keep; }
    // The JSON lines of every call since KeepJsonLines(true), each ending with a line feed;
    // the caller may take them.
    std::string& JsonLines() { return jsonLines_; }
    // From Hold on, calls are kept back, neither shown, logged nor reported, until Release hands
    // them on in order, as if they came then, or Drop forgets them: for calls made ahead of
    // their turn, which may turn out not to be wanted.
    void Hold() { holding_ = true; }
    void Release();
    void Drop() {
        held_.clear();
        holding_ = heldError_ = false;
    }

    // Forgets every call and the error state, for a host that checks again with the same sink.
    void Forget() {
        calls_.clear();
        jsonLines_.clear();
        hasError_ = false;
    }

private:
    // A listing line that is neither kept nor converted is shown without building its call:
    // a long compile lists a line for every recipe line.
    bool PassStraightOn() const {
        return !keepCalls_ && !keepJsonLines_ && !kHostTextIsGbk && !holding_;
    }
    void Record(LogCall call, std::vector<DiagnosticNote> notes = {});

    std::ostream& listing_;
    DiagnosticOutput& diagnostics_;
    const SourceText* source_;
    std::string bundleName_;
    std::vector<LogCall> calls_;
    std::string jsonLines_;
    struct HeldCall {
        LogCall call;
        std::vector<DiagnosticNote> notes;
    };
    std::vector<HeldCall> held_;
    bool holding_ = false;
    bool heldError_ = false;
    bool hasError_ = false;
    bool keepCalls_ = true;
    bool keepJsonLines_ = false;
    bool showListing_ = true;
};

}  // namespace kv::host
