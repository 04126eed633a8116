// RecipeCheck: one analysis over a fresh copy of the bundle's rows, its log collected.
#include "tools/kvc/lsp/RecipeCheck.h"

#include <optional>

#include "ILanguageDebug.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/BundleAnnotator.h"
#include "host/BundleTable.h"
#include "host/HostText.h"
#include "host/LogCall.h"
#include "host/SourceText.h"
#include "tools/kvc/RecipeAnalysis.h"
#include "tools/kvc/lsp/RecipeCursor.h"
#include "tools/kvc/lsp/TextPositions.h"

namespace kv::lsp {
namespace fs = std::filesystem;
using kv::host::DiagnosticRecord;
using kv::host::Severity;

namespace {

// The library's errors, in order; its listing lines are not wanted here.
class CollectingLog final : public ILanguageDebug {
public:
    bool HasError() override { return !errors_.empty(); }
    void Print(const std::string&, int) override {}
    void PrintLine(const std::string&, int) override {}
    void ReportError(int code, const std::string& text, int level) override {
        Add(kv::host::LogOp::ReportError, code, -1, -1, text, level);
    }
    void ReportErrorAt(int code, int line, int column, const std::string& text,
                       int level) override {
        Add(kv::host::LogOp::ReportErrorAt, code, line, column, text, level);
    }
    void ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                               const std::string& extra,
                               const std::map<std::string, std::string>& data, int level) override {
        Add(kv::host::LogOp::ReportErrorAtWithData, code, line, column, text, level);
        errors_.back().extra = extra;
        errors_.back().data = data;
    }
    std::vector<kv::host::LogCall>& Errors() { return errors_; }

private:
    void Add(kv::host::LogOp op, int code, int line, int column, const std::string& text,
             int level) {
        kv::host::LogCall call;
        call.op = op;
        call.code = code;
        call.line = line;
        call.column = column;
        call.text = text;
        call.level = level;
        errors_.push_back(std::move(call));
    }

    std::vector<kv::host::LogCall> errors_;
};

// A store for one analysis: a copy of the loaded rows, which the library may rewrite, and the
// loaded host lists, which it only reads.
class AnalysisStore final : public kv::host::BundleData {
public:
    explicit AnalysisStore(kv::host::BundleData& loaded) : loaded_(loaded) {
        for (const auto& [database, tables] : loaded.GetDatabases()) {
            AddDatabase(database);
            for (IDataTable* table : tables) {
                kv::host::BundleTable& copy = AddTable(database, table->GetName());
                // The store holds only its own tables.
                for (const auto& [key, row] : static_cast<kv::host::BundleTable*>(table)->Rows()) {
                    copy.AddRow(key, std::make_unique<kv::host::BundleRecord>(
                                         row->Field().Text(), row->GetField()->IsValid(),
                                         row->RelativePath()));
                }
            }
        }
    }

    void FindMidVariables(const std::string& shortName, std::vector<IMidVariable*>& out) override {
        loaded_.FindMidVariables(shortName, out);
    }
    void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) override {
        loaded_.FindFunctions(shortName, out);
    }
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return loaded_.GetFunctionTable();
    }

private:
    kv::host::BundleData& loaded_;
};

DiagnosticRecord Record(Severity severity, int code, const kv::host::SourceText& source, int line,
                        int column, std::string message) {
    DiagnosticRecord record;
    record.severity = severity;
    record.code = code;
    record.where.file = source.Name();
    record.where.line = line;
    record.where.column = line >= 1 ? source.DisplayColumn(line, column) : -1;
    record.message = std::move(message);
    return record;
}

DiagnosticRecord FromLogCall(kv::host::LogCall& call, const kv::host::SourceText& source) {
    DiagnosticRecord record = Record(Severity::Error, call.code, source, call.line, call.column,
                                     kv::host::FromHostText(std::move(call.text)));
    if (!call.extra.empty()) record.details.push_back(kv::host::FromHostText(call.extra));
    for (const auto& [key, value] : call.data) {
        record.details.push_back(kv::host::FromHostText(key) + ": " +
                                 kv::host::FromHostText(value));
    }
    return record;
}

void Analyse(const kv::host::SourceText& source, const ParsedRecipe& parsed,
             const LoadedBundle& bundle, std::vector<DiagnosticRecord>& records) {
    const std::vector<ISyntaxTreeNode*> blocks = kv::kvc::BlocksOf(parsed);
    for (DiagnosticRecord& record : kv::kvc::TimePointRecords(blocks, source)) {
        records.push_back(std::move(record));
    }
    AnalysisStore store(*bundle.store);
    CollectingLog log;
    store.SetLanguageDebug(&log);
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&store));
    const std::optional<kv::host::HostError> failure =
        kv::kvc::AnalyzeBlocks(store, *visitor, blocks);
    for (kv::host::LogCall& call : log.Errors()) records.push_back(FromLogCall(call, source));
    // The library reported these before it failed, so they come first.
    if (failure) records.push_back(Record(Severity::Error, 0, source, -1, -1, failure->reason));
}

void AddRange(DiagnosticRecord& record, const kv::host::SourceText& source) {
    kv::host::SourceLocation& where = record.where;
    if (where.endColumn >= 1) return;
    if (where.line < 1) {
        where.line = 1;
        where.column = where.endColumn = 1;
    } else if (where.column < 1) {
        where.column = 1;
        where.endColumn = static_cast<int>(source.Line(where.line).size()) + 1;
    } else {
        where.endColumn = WordEndColumn(source.Line(where.line), where.column);
    }
}

}  // namespace

namespace {

// Full-width forms (U+FF00 to U+FFEF) and CJK punctuation (U+3000 to U+303F): a mark of its
// own, though its bytes are word bytes.
bool IsWidePunctuation(std::string_view text) {
    if (text.size() < 3) return false;
    const auto first = static_cast<unsigned char>(text[0]);
    const auto second = static_cast<unsigned char>(text[1]);
    return (first == 0xEF &&
            (second == 0xBC || second == 0xBD || second == 0xBE || second == 0xBF)) ||
           (first == 0xE3 && second == 0x80);
}

}  // namespace

int WordEndColumn(std::string_view line, int column) {
    auto at = static_cast<std::size_t>(column - 1);
    if (at >= line.size()) return column + 1;
    const char c = line[at];
    std::size_t end = at + 1;
    if ((IsWordByte(c) || c == '#') && !IsWidePunctuation(line.substr(at))) {
        while (end < line.size() && IsWordByte(line[end])) ++end;
    } else if (c == '"') {
        const std::size_t close = line.find('"', end);
        end = close == std::string_view::npos ? line.size() : close + 1;
    } else if (end < line.size() && line[end] == '=' &&
               std::string_view("=!<>").find(c) != std::string_view::npos) {
        ++end;
    } else {
        end = at + std::min(Utf8Length(static_cast<unsigned char>(c)), line.size() - at);
    }
    return static_cast<int>(end) + 1;
}

kv::host::HostResult<std::shared_ptr<const LoadedBundle>> LoadBundle(const fs::path& dir) {
    kv::host::HostResult<std::unique_ptr<kv::host::BundleData>> loaded =
        kv::host::BundleData::Load(dir);
    if (!loaded.Ok()) return loaded.Error();
    auto bundle = std::make_shared<LoadedBundle>();
    bundle->dir = dir;
    bundle->store = std::move(loaded.Value());
    bundle->index = BundleIndex::Build(*bundle->store, dir);
    return std::shared_ptr<const LoadedBundle>(std::move(bundle));
}

std::vector<DiagnosticRecord> CheckRecipe(const std::string& name, const std::string& text,
                                          const LoadedBundle* bundle,
                                          kv::host::DiagnosticAnnotator* annotator) {
    std::vector<DiagnosticRecord> records;
    kv::host::HostResult<std::string> hostText =
        kv::host::RecipeToHostText(text, RecipeEncoding::Utf8, name);
    const kv::host::SourceText source(name, hostText.Ok() ? std::move(hostText.Value()) : "");
    if (!hostText.Ok()) {
        // A character the host's encoding lacks: the error names its place in its text.
        records.push_back(Record(Severity::Error, 0, source, -1, -1, hostText.Error().Describe()));
    } else {
        const ParsedRecipe parsed = ParseRecipe(source.SharedText());
        for (const SyntaxError& error : parsed.errors) {
            records.push_back(kv::kvc::SyntaxErrorRecord(error, source));
        }
        if (parsed.errors.empty() && bundle != nullptr) {
            Analyse(source, parsed, *bundle, records);
        }
    }
    // Without an annotator of its own, a check with a bundle annotates from that bundle, as
    // kvc compile does: the loaded tables are only read.
    std::optional<kv::host::BundleAnnotator> fromBundle;
    if (annotator == nullptr && bundle != nullptr && !records.empty()) {
        annotator = &fromBundle.emplace(*bundle->store, source, kv::host::PathText(bundle->dir));
    }
    for (DiagnosticRecord& record : records) {
        if (annotator != nullptr) annotator->Annotate(record);
        AddRange(record, source);
    }
    return records;
}

}  // namespace kv::lsp
