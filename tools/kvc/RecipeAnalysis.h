// RecipeAnalysis: the steps from a parsed recipe to its diagnostics that kvc compile and the
// language server share, so that both report a recipe alike.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "arbor/RecipeParser.h"
#include "host/DiagnosticRecord.h"
#include "host/HostError.h"
#include "host/SourceText.h"
#include "tools/kvc/TimePointWarnings.h"

class IData;
class ISyntaxTreeNode;
class ISyntaxTreeVisitor;

namespace kv::host {
class ExitHandOver;
}

namespace kv::kvc {

// The block nodes of parsed, in source order; parsed keeps owning them.
std::vector<ISyntaxTreeNode*> BlocksOf(const ParsedRecipe& parsed);

// The note of a syntax error (none when it has no hint), in the host's encoding as the parser
// wrote it.
std::vector<kv::host::DiagnosticNote> SyntaxErrorNotes(const SyntaxError& error);

// A syntax error of source as a record: its text, note and column as the user's UTF-8 file
// shows them.
kv::host::DiagnosticRecord SyntaxErrorRecord(const SyntaxError& error,
                                             const kv::host::SourceText& source);

// The time-point warnings of blocks as records at their place in source. Must run before the
// analysis, which rewrites every time point into one form.
// The same for warnings read off the blocks one by one (AppendTimePointWarnings).
std::vector<kv::host::DiagnosticRecord> TimePointRecords(std::vector<RecipeWarning> warnings,
                                                         const kv::host::SourceText& source);
std::vector<kv::host::DiagnosticRecord> TimePointRecords(
    const std::vector<ISyntaxTreeNode*>& blocks, const kv::host::SourceText& source);

// Runs the analyzer over blocks (see kv::host::DriveAnalyzer, which calls tablesRead). Returns
// why it could not finish: no analyzer, or a failure thrown from it; the error names no path,
// the caller knows which bundle it drove. The analyzer's own reports go to data's log.
std::optional<kv::host::HostError> AnalyzeBlocks(IData& data, ISyntaxTreeVisitor& visitor,
                                                 const std::vector<ISyntaxTreeNode*>& blocks,
                                                 const std::function<void()>& tablesRead = {});

// The same in two steps, for a host that has the analyzer read its tables while the recipe is
// still being parsed: the analyzer made (createObject, which reads the tables), or why there is
// none, and then its drive over blocks, whose nodes were collected ahead into allNodes
// (kv::host::AllNodesOf).
struct MadeAnalyzer {
    std::unique_ptr<ISemanticAnalyzer> analyzer;
    std::optional<kv::host::HostError> failure;
};
MadeAnalyzer MakeAnalyzer(IData& data);
std::optional<kv::host::HostError> AnalyzeBlocks(MadeAnalyzer made, ISyntaxTreeVisitor& visitor,
                                                 const std::vector<ISyntaxTreeNode*>& blocks,
                                                 std::vector<ISyntaxTreeNode*> allNodes,
                                                 kv::host::ExitHandOver* remains = nullptr);

}  // namespace kv::kvc
