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
#include "host/DiagnosticRender.h"
#include "host/FileRead.h"
#include "host/LogJson.h"
#include "host/LogSink.h"
#include "host/OutputSet.h"
#include "host/RecipeDrive.h"
#include "host/PlatformFiles.h"
#include "host/SourceText.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/TimePointWarnings.h"

namespace kv::kvc {
namespace fs = std::filesystem;
namespace msg = kv::diag::kvc;
using kv::host::MakeHostError;

namespace {

constexpr const char* kProgramFile = "program.rcp";
constexpr const char* kStandardOutput = "-";  // as the JSON log

int Fail(std::ostream& err, const kv::host::HostError& error) {
    ShowError(err, error.Describe());
    return error.exitCode;
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

// An absolute path without "." or ".." parts or a trailing separator.
fs::path Normal(const fs::path& path) {
    std::error_code ec;
    fs::path normal = fs::absolute(path, ec).lexically_normal();
    if (normal.filename().empty() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

// Normal, with the links of its existing part resolved.
fs::path Resolved(const fs::path& path) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(Normal(path), ec);
    return ec ? Normal(path) : Normal(resolved);
}

// path relative to dir when it lies below dir (not dir itself).
std::optional<fs::path> RelativeBelow(const fs::path& path, const fs::path& dir) {
    const fs::path relative = path.lexically_relative(dir);
    if (relative.empty() || relative == "." || *relative.begin() == "..") return std::nullopt;
    return relative;
}

bool WritesLogFile(const CompileOptions& options) {
    return !options.logJson.empty() && options.logJson != kStandardOutput;
}

// Where the JSON log lies below the output directory: by its path as given (its parts below
// the directory are then checked for links) or, failing that, with links resolved.
std::optional<fs::path> LogBelowOutDir(const CompileOptions& options) {
    if (!WritesLogFile(options)) return std::nullopt;
    if (auto given = RelativeBelow(Normal(options.logJson), Normal(options.outDir))) return given;
    return RelativeBelow(Resolved(options.logJson), Resolved(options.outDir));
}

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input.
std::optional<kv::host::HostError> CheckOutputPlaces(const CompileOptions& options) {
    std::error_code ec;
    const fs::path outDir(options.outDir);
    if (fs::exists(outDir, ec) && !fs::is_directory(outDir, ec)) {
        return MakeHostError(options.outDir, msg::OutputNotDirectory);
    }
    if (!NearestExistingIsDirectory(outDir)) {
        return MakeHostError(options.outDir, msg::OutputUnderFile);
    }
    // Anything written inside the bundle would change what it holds, even as a new folder.
    if (SameFile(outDir, options.bundle)) return MakeHostError(options.outDir, msg::OutputIsBundle);
    if (IsWithin(outDir, options.bundle)) {
        return MakeHostError(options.outDir, msg::OutputInBundle);
    }
    if (SameFile(outDir / kProgramFile, options.recipe)) {
        return MakeHostError((outDir / kProgramFile).string(), msg::OutputIsRecipe);
    }
    if (WritesLogFile(options)) {
        const fs::path log(options.logJson);
        if (fs::is_directory(log, ec)) return MakeHostError(options.logJson, msg::LogIsDirectory);
        if (!NearestExistingIsDirectory(log.has_parent_path() ? log.parent_path()
                                                              : fs::path("."))) {
            return MakeHostError(options.logJson, msg::LogUnderFile);
        }
        if (SameFile(log, options.recipe))
            return MakeHostError(options.logJson, msg::OutputIsRecipe);
        if (IsWithin(log, options.bundle)) return MakeHostError(options.logJson, msg::LogInBundle);
        if (const std::optional<fs::path> below = LogBelowOutDir(options)) {
            const fs::path link = kv::host::FirstLinkBelow(Resolved(options.outDir), *below);
            if (!link.empty()) {
                return MakeHostError((outDir / link).string(), kv::diag::host::OutputThroughLink);
            }
            if (*below == kProgramFile) return MakeHostError(options.logJson, msg::LogIsOutput);
        }
    }
    return std::nullopt;
}

// The checks that need the outputs: the log must not take the place of one, and replacing
// the set must not take the recipe or the bundle with it.
std::optional<kv::host::HostError> CheckAgainstOutputs(
    const CompileOptions& options, const std::vector<kv::host::OutputFile>& outputs,
    bool replacing) {
    if (const std::optional<fs::path> below = LogBelowOutDir(options)) {
        for (const kv::host::OutputFile& output : outputs) {
            const fs::path log = below->lexically_normal();
            const fs::path file = output.path.lexically_normal();
            if (log == file || RelativeBelow(log, file) || RelativeBelow(file, log)) {
                return MakeHostError(options.logJson, msg::LogIsOutput);
            }
        }
    }
    if (!replacing) return std::nullopt;
    for (const kv::host::OutputFile& output : outputs) {
        const fs::path replaced = fs::path(options.outDir) / *output.path.begin();
        if (IsWithin(options.recipe, replaced)) {
            return MakeHostError(replaced.string(), msg::OutputHoldsRecipe);
        }
        if (IsWithin(options.bundle, replaced)) {
            return MakeHostError(replaced.string(), msg::OutputHoldsBundle);
        }
    }
    return std::nullopt;
}

// Removes what killed runs left beside the output directory and the log.
void RemoveLeftovers(const CompileOptions& options) {
    kv::host::RemoveLeftoversOf(Resolved(options.outDir));
    if (WritesLogFile(options)) kv::host::RemoveLeftoversOf(Resolved(options.logJson));
}

// True when a regular file may stand at path: nothing there yet, or a regular file.
bool PlainFilePlace(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !fs::exists(status) || fs::is_regular_file(status);
}

// Writes what the compile produced: the JSON log always, the outputs (null after syntax
// errors) as one set when no error was reported or they were asked for anyway.
int WriteResults(const CompileOptions& options, kv::host::LogSink& sink,
                 const std::vector<kv::host::OutputFile>* outputs, std::ostream& out,
                 std::ostream& err) {
    const bool replacing = outputs != nullptr && (!sink.HasError() || options.writeOnError);
    if (auto error = CheckAgainstOutputs(
            options, outputs ? *outputs : std::vector<kv::host::OutputFile>{}, replacing)) {
        return Fail(err, *error);
    }
    // What the library printed must have arrived before anything is written.
    if (!err.flush()) return Fail(err, MakeHostError("", msg::StderrFailed));
    if (!out.flush()) return Fail(err, MakeHostError("", msg::StdoutFailed));

    std::vector<kv::host::OutputFile> logInOutDir;
    if (!options.logJson.empty()) {
        std::string text = kv::host::LogCallsToJsonLines(sink.Calls());
        const std::optional<fs::path> below = LogBelowOutDir(options);
        // A log on a stream already written to goes through that stream, after what it holds.
        const int stream = options.logJson == kStandardOutput
                               ? 1
                               : kv::host::StandardStreamWritingTo(options.logJson);
        if (stream != 0) {
            std::ostream& target = stream == 1 ? out : err;
            if (!target.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
                return Fail(err,
                            MakeHostError("", stream == 1 ? msg::StdoutFailed : msg::StderrFailed));
            }
        } else if (replacing && below && PlainFilePlace(options.logJson)) {
            logInOutDir.push_back({*below, std::move(text)});
        } else if (auto error = kv::host::WriteFileAtomically({options.logJson, std::move(text)})) {
            return Fail(err, *error);
        }
    }
    if (replacing) {
        if (auto error = kv::host::ReplaceOutputSet(options.outDir, *outputs, logInOutDir)) {
            return Fail(err, *error);
        }
    }
    return sink.HasError() ? 1 : 0;
}

int Compile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    kv::host::HostResult<std::string> recipeText = kv::host::ReadWholeFile(options.recipe);
    if (!recipeText.Ok()) return Fail(err, recipeText.Error());
    if (recipeText.Value().find('\0') != std::string::npos) {
        return Fail(err, MakeHostError(options.recipe, msg::RecipeIsBinary));
    }
    kv::host::HostResult<std::unique_ptr<kv::host::BundleData>> loaded =
        kv::host::BundleData::Load(options.bundle);
    if (!loaded.Ok()) return Fail(err, loaded.Error());
    // Remarks on the bundle: warnings always, notes on request; neither changes the status.
    for (const kv::host::BundleRemark& remark : loaded.Value()->Remarks()) {
        if (options.verbose || remark.kind == kv::host::BundleRemark::Kind::Warning) {
            err << remark.Describe() << '\n';
        }
    }
    if (auto error = CheckOutputPlaces(options)) return Fail(err, *error);
    RemoveLeftovers(options);

    kv::host::BundleData& data = *loaded.Value();
    const kv::host::SourceText source(options.recipe, std::move(recipeText.Value()));
    kv::host::LogSink sink(out, err, &source, options.bundle);
    data.SetLanguageDebug(&sink);

    ParsedRecipe parsed = ParseRecipe(source.Text());
    if (!parsed.errors.empty()) {
        // Reported through the sink like every other diagnostic; nothing is analysed.
        for (const SyntaxError& error : parsed.errors) {
            sink.ReportErrorAt(error.code, error.line, error.column, error.message,
                               kv::diag::kError);
        }
        return WriteResults(options, sink, nullptr, out, err);
    }

    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    // Read before the analysis, which rewrites every time point into one form.
    for (const RecipeWarning& warning : TimePointWarnings(blocks)) {
        err << kv::host::RenderSourceDiagnostic("warning", source, warning.line, warning.column,
                                                warning.text);
    }
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&data));
    const std::vector<int> blockLines = kv::host::BlockLines(*visitor, blocks);
    try {
        if (!kv::host::DriveAnalyzer(data, *visitor, blocks)) {
            return Fail(err, MakeHostError(options.bundle, msg::AnalyzerMissing));
        }
    } catch (const std::exception& failure) {
        return Fail(err, MakeHostError(options.bundle, msg::AnalyzerFailed, failure.what()));
    }

    // Paths relative to the output directory, which the set replaces as a whole.
    kv::host::HostResult<std::vector<kv::host::OutputFile>> outputs =
        kv::host::CollectBundleOutputs(data, fs::path());
    if (!outputs.Ok()) return Fail(err, outputs.Error());
    outputs.Value().push_back(
        {kProgramFile, kv::host::RenderProgram(*visitor, blocks, blockLines, source.LineCount())});
    return WriteResults(options, sink, &outputs.Value(), out, err);
}

}  // namespace

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    try {
        return Compile(options, out, err);
    } catch (const std::exception& failure) {
        return Fail(err, MakeHostError("", msg::InternalFailure, failure.what()));
    }
}

}  // namespace kv::kvc
