// CompileCommand: checks the inputs, parses, drives the analyzer and writes the outputs.
#include "tools/kvc/CompileCommand.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/AtomicWrite.h"
#include "host/BundleData.h"
#include "host/BundleOutputs.h"
#include "host/FileRead.h"
#include "host/LogJson.h"
#include "host/LogSink.h"
#include "host/SourceText.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/RecipeDrive.h"

namespace kvc {
namespace fs = std::filesystem;

namespace {

constexpr int kErrorLevel = 3;
constexpr const char* kProgramFile = "program.rcp";

int Fail(std::ostream& err, const kvhost::HostError& error) {
    err << KvcText(KvcMsg::ErrorLead) << error.Describe() << '\n';
    return error.exitCode;
}

kvhost::HostError KvcError(const std::string& path, KvcMsg id, const std::string& detail = {}) {
    return kvhost::HostError{path, KvcString(id) + detail, KvcCode(id)};
}

// True when the nearest existing part of path (itself or an ancestor) is a directory, so that
// whatever is missing can be created below it.
bool NearestExistingIsDirectory(const fs::path& path) {
    std::error_code ec;
    for (fs::path walk = fs::absolute(path, ec); !ec && !walk.empty(); walk = walk.parent_path()) {
        if (fs::exists(walk, ec)) return fs::is_directory(walk, ec);
        if (walk == walk.parent_path()) break;
    }
    return false;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const fs::path left = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path right = fs::weakly_canonical(b, ec);
    return !ec && left == right;
}

// True when path is dir or lies below it, links resolved as far as the path exists.
bool IsWithin(const fs::path& path, const fs::path& dir) {
    std::error_code ec;
    const fs::path inner = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path outer = fs::weakly_canonical(dir, ec);
    if (ec) return false;
    const fs::path relative = inner.lexically_relative(outer);
    return !relative.empty() && *relative.begin() != "..";
}

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input.
std::optional<kvhost::HostError> CheckOutputPlaces(const CompileOptions& options) {
    std::error_code ec;
    const fs::path outDir(options.outDir);
    if (fs::exists(outDir, ec) && !fs::is_directory(outDir, ec)) {
        return KvcError(options.outDir, KvcMsg::OutputNotDirectory);
    }
    if (!NearestExistingIsDirectory(outDir)) {
        return KvcError(options.outDir, KvcMsg::OutputUnderFile);
    }
    // Anything written inside the bundle would change what it holds, even as a new folder.
    if (SameFile(outDir, options.bundle)) return KvcError(options.outDir, KvcMsg::OutputIsBundle);
    if (IsWithin(outDir, options.bundle)) {
        return KvcError(options.outDir, KvcMsg::OutputInBundle);
    }
    if (SameFile(outDir / kProgramFile, options.recipe)) {
        return KvcError((outDir / kProgramFile).string(), KvcMsg::OutputIsRecipe);
    }
    if (!options.logJson.empty()) {
        const fs::path log(options.logJson);
        if (fs::is_directory(log, ec)) return KvcError(options.logJson, KvcMsg::LogIsDirectory);
        if (!NearestExistingIsDirectory(log.has_parent_path() ? log.parent_path()
                                                              : fs::path("."))) {
            return KvcError(options.logJson, KvcMsg::LogUnderFile);
        }
        if (SameFile(log, options.recipe)) return KvcError(options.logJson, KvcMsg::OutputIsRecipe);
        if (IsWithin(log, options.bundle)) return KvcError(options.logJson, KvcMsg::LogInBundle);
    }
    return std::nullopt;
}

void AddLogFile(const CompileOptions& options, const kvhost::LogSink& sink,
                std::vector<kvhost::OutputFile>& files) {
    if (options.logJson.empty()) return;
    files.push_back({fs::path(options.logJson), kvhost::LogCallsToJsonLines(sink.Calls())});
}

int Compile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    kvhost::HostResult<std::string> recipeText = kvhost::ReadWholeFile(options.recipe);
    if (!recipeText.Ok()) return Fail(err, recipeText.Error());
    if (recipeText.Value().find('\0') != std::string::npos) {
        return Fail(err, KvcError(options.recipe, KvcMsg::RecipeIsBinary));
    }
    kvhost::HostResult<std::unique_ptr<kvhost::BundleData>> loaded =
        kvhost::BundleData::Load(options.bundle);
    if (!loaded.Ok()) return Fail(err, loaded.Error());
    if (auto error = CheckOutputPlaces(options)) return Fail(err, *error);

    kvhost::BundleData& data = *loaded.Value();
    const kvhost::SourceText source(options.recipe, std::move(recipeText.Value()));
    kvhost::LogSink sink(out, err, &source, options.bundle);
    data.SetLanguageDebug(&sink);

    std::vector<kvhost::OutputFile> files;
    ParsedRecipe parsed = ParseRecipe(source.Text());
    if (!parsed.errors.empty()) {
        // Reported through the sink like every other diagnostic; nothing is analysed.
        for (const SyntaxError& error : parsed.errors) {
            sink.ReportErrorAt(error.code, error.line, error.column, error.message, kErrorLevel);
        }
        AddLogFile(options, sink, files);
        if (auto error = kvhost::WriteFilesAtomically(files)) return Fail(err, *error);
        return 1;
    }

    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    const std::vector<int> blockLines = BlockLines(*visitor, blocks);
    try {
        if (!DriveAnalyzer(data, *visitor, blocks)) {
            return Fail(err, KvcError(options.bundle, KvcMsg::AnalyzerMissing));
        }
    } catch (const std::exception& failure) {
        return Fail(err, KvcError(options.bundle, KvcMsg::AnalyzerFailed, failure.what()));
    }

    kvhost::HostResult<std::vector<kvhost::OutputFile>> outputs =
        kvhost::CollectBundleOutputs(data, options.outDir);
    if (!outputs.Ok()) return Fail(err, outputs.Error());
    files = std::move(outputs.Value());
    files.push_back({fs::path(options.outDir) / kProgramFile,
                     RenderProgram(*visitor, blocks, blockLines, source.LineCount())});
    AddLogFile(options, sink, files);
    if (auto error = kvhost::WriteFilesAtomically(files)) return Fail(err, *error);
    return sink.HasError() ? 1 : 0;
}

}  // namespace

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    try {
        return Compile(options, out, err);
    } catch (const std::exception& failure) {
        return Fail(err, KvcError("", KvcMsg::InternalFailure, failure.what()));
    }
}

}  // namespace kvc
