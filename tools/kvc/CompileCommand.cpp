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
#include "host/ExitHandOver.h"
#include "host/FileRead.h"
#include "host/HostText.h"
#include "host/LogJson.h"
#include "host/LogSink.h"
#include "host/OutputPlaces.h"
#include "host/OutputSet.h"
#include "host/PlatformFiles.h"
#include "host/RecipeDrive.h"
#include "host/SourceText.h"
#include "host/timeline/TimelineBuilder.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/TimePointWarnings.h"
#include "tools/kvc/TimelineOutput.h"

namespace kv::kvc {
namespace fs = std::filesystem;
namespace msg = kv::diag::kvc;
using kv::host::MakeHostError;
using kv::host::PathText;

namespace {

int Fail(std::ostream& err, const kv::host::HostError& error) {
    ShowError(err, error.Describe());
    return error.exitCode;
}

// Writes what the compile produced: the JSON log always, the outputs (null after syntax
// errors) as one set when no error was reported or they were asked for anyway.
int WriteResults(const CompileOptions& options, kv::host::LogSink& sink,
                 const std::vector<kv::host::OutputFile>* outputs, std::ostream& out,
                 std::ostream& err) {
    const bool replacing = outputs != nullptr && (!sink.HasError() || options.writeOnError);
    if (auto error = kv::host::CheckAgainstOutputs(
            options, outputs ? *outputs : std::vector<kv::host::OutputFile>{}, replacing)) {
        return Fail(err, *error);
    }
    // What the library printed must have arrived before anything is written.
    if (!err.flush()) return Fail(err, MakeHostError("", msg::StderrFailed));
    if (!out.flush()) return Fail(err, MakeHostError("", msg::StdoutFailed));

    std::vector<kv::host::OutputFile> logInOutDir;
    if (!options.logJson.empty()) {
        std::string text = std::move(sink.JsonLines());
        const std::optional<fs::path> below = kv::host::LogBelowOutDir(options);
        // A log on a stream already written to goes through that stream, after what it holds.
        const int stream = options.logJson == kv::host::kStandardOutput
                               ? 1
                               : kv::host::StandardStreamWritingTo(options.logJson);
        if (stream != 0) {
            std::ostream& target = stream == 1 ? out : err;
            if (!target.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
                return Fail(err,
                            MakeHostError("", stream == 1 ? msg::StdoutFailed : msg::StderrFailed));
            }
        } else if (replacing && below && kv::host::PlainFilePlace(options.logJson)) {
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

// Whatever it builds is kept by remains, which the caller may leave to the process exit.
int Compile(const CompileOptions& options, std::ostream& out, std::ostream& err,
            kv::host::ExitHandOver& remains) {
    kv::host::HostResult<std::string> recipeText = kv::host::ReadWholeFile(options.recipe);
    if (!recipeText.Ok()) return Fail(err, recipeText.Error());
    if (recipeText.Value().find('\0') != std::string::npos) {
        return Fail(err, MakeHostError(PathText(options.recipe), msg::RecipeIsBinary));
    }
    kv::host::HostResult<std::unique_ptr<kv::host::BundleData>> loaded =
        kv::host::BundleData::Load(options.bundle);
    if (!loaded.Ok()) return Fail(err, loaded.Error());
    kv::host::BundleData& data = remains.Keep(std::move(loaded.Value()));
    // Remarks on the bundle: warnings always, notes on request; neither changes the status.
    for (const kv::host::BundleRemark& remark : data.Remarks()) {
        if (options.verbose || remark.kind == kv::host::BundleRemark::Kind::Warning) {
            err << remark.Describe() << '\n';
        }
    }
    if (!options.outDir.empty()) {
        if (auto error = kv::host::CheckOutputPlaces(options)) return Fail(err, *error);
        kv::host::RemoveLeftovers(options);
    }
    if (!options.timeline.empty()) {
        if (auto error = CheckTimelinePlace(options, options.timeline)) return Fail(err, *error);
    }

    kv::host::HostResult<std::string> hostRecipe = kv::host::RecipeToHostText(
        std::move(recipeText.Value()), options.recipeEncoding, PathText(options.recipe));
    if (!hostRecipe.Ok()) return Fail(err, hostRecipe.Error());
    const kv::host::SourceText& source =
        remains.Make<kv::host::SourceText>(PathText(options.recipe), std::move(hostRecipe.Value()));
    kv::host::LogSink& sink =
        remains.Make<kv::host::LogSink>(out, err, &source, PathText(options.bundle));
    // The log is written whole at the end; its lines are kept as text, not as calls.
    sink.KeepCalls(false);
    sink.KeepJsonLines(!options.logJson.empty());
    data.SetLanguageDebug(&sink);

    const ParsedRecipe& parsed = remains.Make<ParsedRecipe>(ParseRecipe(source.Text()));
    if (!parsed.errors.empty()) {
        // Reported through the sink like every other diagnostic; nothing is analysed.
        for (const SyntaxError& error : parsed.errors) {
            sink.ReportErrorAt(error.code, error.line, error.column, error.message,
                               kv::diag::kError);
        }
        return WriteResults(options, sink, nullptr, out, err);
    }

    std::vector<ISyntaxTreeNode*> blocks;
    blocks.reserve(parsed.blocks.size());
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());
    // Read before the analysis, which rewrites every time point into one form.
    for (const RecipeWarning& warning : TimePointWarnings(blocks)) {
        err << kv::host::RenderSourceDiagnostic("warning", source, warning.line,
                                                source.DisplayColumn(warning.line, warning.column),
                                                warning.text);
    }
    ISyntaxTreeVisitor& visitor =
        remains.Keep(std::unique_ptr<ISyntaxTreeVisitor>(newSyntaxTreeVistor(&data)));
    const std::vector<int> blockLines = kv::host::BlockLines(visitor, blocks);
    // Read before the analysis too, for the times and arguments as written.
    std::optional<kv::timeline::Timeline> timeline;
    if (!options.timeline.empty()) timeline = kv::timeline::BuildTimeline(data, visitor, blocks);
    try {
        if (!kv::host::DriveAnalyzer(data, visitor, blocks)) {
            return Fail(err, MakeHostError(PathText(options.bundle), msg::AnalyzerMissing));
        }
    } catch (const std::exception& failure) {
        return Fail(err,
                    MakeHostError(PathText(options.bundle), msg::AnalyzerFailed, failure.what()));
    }

    // Paths relative to the output directory, which the set replaces as a whole.
    kv::host::HostResult<std::vector<kv::host::OutputFile>> collected =
        kv::host::CollectBundleOutputs(data, fs::path());
    if (!collected.Ok()) return Fail(err, collected.Error());
    auto& outputs = remains.Make<std::vector<kv::host::OutputFile>>(std::move(collected.Value()));
    outputs.push_back(
        {kv::host::kProgramFile, kv::host::FromHostText(kv::host::RenderProgram(
                                     visitor, blocks, blockLines, source.LineCount()))});
    const int status =
        WriteResults(options, sink, options.outDir.empty() ? nullptr : &outputs, out, err);
    if (status != 0 || !timeline) return status;
    if (auto error = WriteTimeline(*timeline, options.timeline)) return Fail(err, *error);
    return status;
}

}  // namespace

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err,
               kv::host::ExitHandOver& remains) {
    try {
        return Compile(options, out, err, remains);
    } catch (const std::exception& failure) {
        return Fail(err, MakeHostError("", msg::InternalFailure, failure.what()));
    }
}

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    kv::host::ExitHandOver remains;
    return RunCompile(options, out, err, remains);
}

}  // namespace kv::kvc
