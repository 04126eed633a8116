// RecipeAnalysis: blocks, syntax errors, time-point warnings and the analyzer's drive as
// records and failures.
#include "tools/kvc/RecipeAnalysis.h"

#include <exception>
#include <utility>

#include "ISemanticAnalyzer.h"
#include "host/HostText.h"
#include "host/RecipeDrive.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/TimePointWarnings.h"

namespace kv::kvc {
using kv::host::DiagnosticRecord;

std::vector<ISyntaxTreeNode*> BlocksOf(const ParsedRecipe& parsed) {
    std::vector<ISyntaxTreeNode*> blocks;
    blocks.reserve(parsed.blocks.size());
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    return blocks;
}

std::vector<kv::host::DiagnosticNote> SyntaxErrorNotes(const SyntaxError& error) {
    std::vector<kv::host::DiagnosticNote> notes;
    if (!error.note.empty()) {
        // Member by member: MinGW's optimised build takes a braced note for uninitialised.
        kv::host::DiagnosticNote note;
        note.text = error.note;
        notes.push_back(std::move(note));
    }
    return notes;
}

DiagnosticRecord SyntaxErrorRecord(const SyntaxError& error, const kv::host::SourceText& source) {
    DiagnosticRecord record;
    record.code = error.code;
    record.where.file = source.Name();
    record.where.line = error.line;
    record.where.column = error.line >= 1 ? source.DisplayColumn(error.line, error.column) : -1;
    record.message = kv::host::FromHostText(error.message);
    record.notes = SyntaxErrorNotes(error);
    for (kv::host::DiagnosticNote& note : record.notes) {
        note.text = kv::host::FromHostText(note.text);
    }
    return record;
}

std::vector<DiagnosticRecord> TimePointRecords(const std::vector<ISyntaxTreeNode*>& blocks,
                                               const kv::host::SourceText& source) {
    return TimePointRecords(TimePointWarnings(blocks), source);
}

std::vector<DiagnosticRecord> TimePointRecords(std::vector<RecipeWarning> warnings,
                                               const kv::host::SourceText& source) {
    std::vector<DiagnosticRecord> records;
    for (RecipeWarning& warning : warnings) {
        DiagnosticRecord record;
        record.severity = kv::host::Severity::Warning;
        record.where = {source.Name(), warning.line,
                        source.DisplayColumn(warning.line, warning.column)};
        record.message = std::move(warning.text);
        records.push_back(std::move(record));
    }
    return records;
}

MadeAnalyzer MakeAnalyzer(IData& data) {
    MadeAnalyzer made;
    try {
        made.analyzer.reset(createObject(&data));
        if (!made.analyzer) {
            made.failure = kv::host::MakeHostError("", kv::diag::kvc::AnalyzerMissing);
        }
    } catch (const std::exception& failure) {
        made.failure = kv::host::MakeHostError("", kv::diag::kvc::AnalyzerFailed, failure.what());
    }
    return made;
}

std::optional<kv::host::HostError> AnalyzeBlocks(MadeAnalyzer made, ISyntaxTreeVisitor& visitor,
                                                 const std::vector<ISyntaxTreeNode*>& blocks,
                                                 std::vector<ISyntaxTreeNode*> allNodes,
                                                 kv::host::ExitHandOver* remains) {
    if (made.failure) return made.failure;
    try {
        kv::host::DriveAnalyzer(std::move(made.analyzer), visitor, blocks, std::move(allNodes),
                                remains);
    } catch (const std::exception& failure) {
        return kv::host::MakeHostError("", kv::diag::kvc::AnalyzerFailed, failure.what());
    }
    return std::nullopt;
}

std::optional<kv::host::HostError> AnalyzeBlocks(IData& data, ISyntaxTreeVisitor& visitor,
                                                 const std::vector<ISyntaxTreeNode*>& blocks,
                                                 const std::function<void()>& tablesRead) {
    MadeAnalyzer made = MakeAnalyzer(data);
    if (!made.failure && tablesRead) tablesRead();
    return AnalyzeBlocks(std::move(made), visitor, blocks, kv::host::AllNodesOf(visitor, blocks));
}

}  // namespace kv::kvc
