// LogSink: records each call, shows listing lines and turns reports into diagnostic records.
#include "host/LogSink.h"

#include <utility>

#include "host/HostText.h"
#include "host/LogJson.h"

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

LogSink::LogSink(std::ostream& listing, DiagnosticOutput& diagnostics, const SourceText* source,
                 std::string bundleName)
    : listing_(listing),
      diagnostics_(diagnostics),
      source_(source),
      bundleName_(std::move(bundleName)) {}

void LogSink::Print(const std::string& text, int kind) {
    if (PassStraightOn()) {
        if (showListing_) listing_ << text << '\n';
        return;
    }
    LogCall call;
    call.op = LogOp::Print;
    call.kind = kind;
    call.text = text;
    Record(std::move(call));
}

void LogSink::PrintLine(const std::string& text, int level) {
    if (PassStraightOn()) {
        if (showListing_) listing_ << text << '\n';
        return;
    }
    LogCall call;
    call.op = LogOp::PrintLine;
    call.level = level;
    call.text = text;
    Record(std::move(call));
}

void LogSink::ReportError(int code, const std::string& text, int level) {
    LogCall call;
    call.op = LogOp::ReportError;
    call.code = code;
    call.level = level;
    call.text = text;
    Record(std::move(call));
}

namespace {

LogCall PositionedError(LogOp op, int code, int line, int column, const std::string& text,
                        int level) {
    LogCall call;
    call.op = op;
    call.code = code;
    call.line = line;
    call.column = column;
    call.level = level;
    call.text = text;
    return call;
}

}  // namespace

void LogSink::ReportErrorAt(int code, int line, int column, const std::string& text, int level) {
    Record(PositionedError(LogOp::ReportErrorAt, code, line, column, text, level));
}

void LogSink::ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                                    const std::string& extra,
                                    const std::map<std::string, std::string>& data, int level) {
    LogCall call =
        PositionedError(LogOp::ReportErrorAtWithData, code, line, column, text, level);
    call.extra = extra;
    call.data = data;
    Record(std::move(call));
}

void LogSink::ReportErrorAtWithNotes(int code, int line, int column, const std::string& text,
                                     int level, std::vector<DiagnosticNote> notes) {
    Record(PositionedError(LogOp::ReportErrorAt, code, line, column, text, level),
           std::move(notes));
}

void LogSink::Release() {
    holding_ = heldError_ = false;
    std::vector<HeldCall> held = std::move(held_);
    held_.clear();
    for (HeldCall& each : held) Record(std::move(each.call), std::move(each.notes));
}

void LogSink::Record(LogCall call, std::vector<DiagnosticNote> notes) {
    if (holding_) {
        heldError_ = heldError_ || call.IsError();
        held_.push_back({std::move(call), std::move(notes)});
        return;
    }
    if (kHostTextIsGbk) {
        // From here on every text and column is the one the user's UTF-8 file shows, so the
        // JSON log and the diagnostics read the same on every platform.
        call.text = FromHostText(call.text);
        call.extra = FromHostText(call.extra);
        std::map<std::string, std::string> data;
        for (const auto& [key, value] : call.data) data[FromHostText(key)] = FromHostText(value);
        call.data = std::move(data);
        for (DiagnosticNote& note : notes) note.text = FromHostText(note.text);
        if (source_ != nullptr && call.line >= 1) {
            call.column = source_->DisplayColumn(call.line, call.column);
        }
    }
    if (call.IsError()) {
        hasError_ = true;
        DiagnosticRecord record;
        record.code = call.code;
        record.message = call.text;
        if (call.op != LogOp::ReportError && call.line >= 1 && source_ != nullptr) {
            record.where = {source_->Name(), call.line, call.column >= 1 ? call.column : -1};
        } else {
            record.where.file = bundleName_;
        }
        if (!call.extra.empty()) record.details.push_back(call.extra);
        for (const auto& [key, value] : call.data) record.details.push_back(key + ": " + value);
        record.notes = std::move(notes);
        diagnostics_.Report(std::move(record));
    } else if (showListing_) {
        listing_ << call.text << '\n';
    }
    if (keepJsonLines_) AppendLogCallLine(call, jsonLines_);
    if (keepCalls_) calls_.push_back(std::move(call));
}

}  // namespace kv::host
