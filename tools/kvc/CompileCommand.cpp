// CompileCommand: checks the inputs, parses, drives the analyzer, shows the diagnostics and
// writes the outputs.
#include "tools/kvc/CompileCommand.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/AtomicWrite.h"
#include "host/BundleAnnotator.h"
#include "host/BundleData.h"
#include "host/BundleOutputs.h"
#include "host/DeferredJsonChecks.h"
#include "host/DiagnosticJson.h"
#include "host/DiagnosticOutput.h"
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
#include "tools/kvc/Explanations.h"
#include "tools/kvc/FaultAhead.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/LargePages.h"
#include "tools/kvc/ParseAhead.h"
#include "tools/kvc/RecipeAnalysis.h"
#include "tools/kvc/SmallObjectHeap.h"
#include "tools/kvc/TimeReport.h"
#include "tools/kvc/TimelineOutput.h"
#include "tools/kvc/TwoHandedRender.h"

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

// Writes text to a file written beside the outputs (the JSON log, the diagnostics file): to
// the standard stream it names, into the new output set when it lies in the output directory,
// or on its own. Returns the exit status of a failure.
std::optional<int> WriteSideFile(const CompileOptions& options, const fs::path& path,
                                 std::string text, bool replacing,
                                 std::vector<kv::host::OutputFile>& inOutDir, std::ostream& out,
                                 std::ostream& err) {
    // A file a stream already writes to goes through that stream, after what it holds.
    const int stream =
        path == kv::host::kStandardOutput ? 1 : kv::host::StandardStreamWritingTo(path);
    if (stream != 0) {
        std::ostream& target = stream == 1 ? out : err;
        if (!target.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
            return Fail(err,
                        MakeHostError("", stream == 1 ? msg::StdoutFailed : msg::StderrFailed));
        }
        return std::nullopt;
    }
    const std::optional<fs::path> below = kv::host::BelowOutDir(options, path);
    if (replacing && below && kv::host::PlainFilePlace(path)) {
        inOutDir.push_back({*below, std::move(text)});
    } else if (auto error = kv::host::WriteFileAtomically({path, std::move(text)})) {
        return Fail(err, *error);
    }
    return std::nullopt;
}

// Where the diagnostics go: the run's text is kept for a diagnostics file.
struct DiagnosticsPlace {
    std::ostringstream forFile;
    int stream = 2;  // 1 standard output, 2 standard error, 0 the file
};

// Ends the diagnostics and writes what the compile produced: the JSON log and the diagnostics
// file always, the outputs (null after syntax errors and for a check) as one set when no error
// was reported or they were asked for anyway.
int WriteResults(const CompileOptions& options, kv::host::LogSink& sink,
                 kv::host::DiagnosticOutput& diagnostics, DiagnosticsPlace& place,
                 const std::vector<kv::host::OutputFile>* outputs, std::ostream& out,
                 std::ostream& err) {
    const bool replacing = outputs != nullptr && (!sink.HasError() || options.writeOnError);
    if (auto error = kv::host::CheckAgainstOutputs(
            options, outputs ? *outputs : std::vector<kv::host::OutputFile>{}, replacing)) {
        return Fail(err, *error);
    }
    diagnostics.Finish();
    // What the library printed must have arrived before anything is written.
    if (!err.flush()) return Fail(err, MakeHostError("", msg::StderrFailed));
    if (!out.flush()) return Fail(err, MakeHostError("", msg::StdoutFailed));

    std::vector<kv::host::OutputFile> inOutDir;
    if (!options.logJson.empty()) {
        if (auto status = WriteSideFile(options, options.logJson, std::move(sink.JsonLines()),
                                        replacing, inOutDir, out, err)) {
            return *status;
        }
    }
    if (place.stream == 0) {
        if (auto status =
                WriteSideFile(options, options.diagnosticsFile, std::move(place.forFile).str(),
                              replacing, inOutDir, out, err)) {
            return *status;
        }
    }
    if (replacing) {
        if (auto error = kv::host::ReplaceOutputSet(options.outDir, *outputs, inOutDir)) {
            return Fail(err, *error);
        }
    }
    return sink.HasError() ? 1 : 0;
}

// How SARIF describes each code's rule.
kv::host::SarifRule DescribeRule(int code) {
    kv::host::SarifRule rule;
    if (code == 0) {
        rule.shortDescription = kv::diag::Text(msg::OwnRemarks);
        return rule;
    }
    if (const Explanation* explanation = FindExplanation(code)) {
        rule.shortDescription = std::string(explanation->title);
    }
    rule.fullDescription = kv::diag::Text(msg::ExplainRule, std::to_string(code));
    return rule;
}

kv::host::DiagnosticOptions DiagnosticOptionsOf(const CompileOptions& options, int stream) {
    kv::host::DiagnosticOptions diagnostics;
    diagnostics.format = options.diagnosticsFormat;
    diagnostics.colour = options.diagnosticsFormat == kv::host::DiagnosticFormat::Text &&
                         kv::host::ColourForStream(options.colour, stream);
    diagnostics.maxErrors = options.maxErrors;
    diagnostics.sarif.name = "kvc";
    diagnostics.sarif.version = KVC_VERSION;
    diagnostics.sarif.describe = DescribeRule;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    if (!ec) {
        diagnostics.sarif.baseUri = kv::host::FileUri(PathText(here));
        if (diagnostics.sarif.baseUri.back() != '/') diagnostics.sarif.baseUri += '/';
    }
    return diagnostics;
}

// Standard output holds nothing but the log or the diagnostics when either is written there.
bool ShowsListing(const CompileOptions& options) {
    return !options.quiet && options.logJson != kv::host::kStandardOutput &&
           options.diagnosticsFile != kv::host::kStandardOutput;
}

kv::host::DiagnosticRecord RemarkRecord(const kv::host::BundleRemark& remark) {
    kv::host::DiagnosticRecord record;
    record.severity = remark.kind == kv::host::BundleRemark::Kind::Warning
                          ? kv::host::Severity::Warning
                          : kv::host::Severity::Note;
    record.where.file = remark.path;
    record.message = remark.text;
    return record;
}

// What follows a bundle's load: its remarks (warnings always, notes on request; neither changes
// the status), and the checks of the output places, with the leftovers of an earlier compile
// removed. Returns the exit status of a failure.
std::optional<int> SettleBundle(const CompileOptions& options, kv::host::BundleData& data,
                                kv::host::DiagnosticOutput& diagnostics, std::ostream& err) {
    for (const kv::host::BundleRemark& remark : data.Remarks()) {
        if (options.verbose || remark.kind == kv::host::BundleRemark::Kind::Warning) {
            diagnostics.Report(RemarkRecord(remark));
        }
    }
    if (!options.outDir.empty()) {
        if (auto error = kv::host::CheckOutputPlaces(options)) return Fail(err, *error);
        kv::host::RemoveLeftovers(options);
    }
    if (!options.timeline.empty()) {
        if (auto error = CheckTimelinePlace(options, options.timeline)) return Fail(err, *error);
    }
    return std::nullopt;
}

// Whatever it builds is kept by remains, which the caller may leave to the process exit. clock
// is told where each phase ends.
int Compile(const CompileOptions& options, std::ostream& out, std::ostream& err,
            kv::host::ExitHandOver& remains, PhaseClock& clock) {
    auto& place = remains.Make<DiagnosticsPlace>();
    place.stream = kv::host::NamesFile(options.diagnosticsFile)           ? 0
                   : options.diagnosticsFile == kv::host::kStandardOutput ? 1
                                                                          : 2;
    auto& diagnostics =
        remains.Make<kv::host::DiagnosticOutput>(place.stream == 0   ? place.forFile
                                                 : place.stream == 1 ? out
                                                                     : err,
                                                 DiagnosticOptionsOf(options, place.stream));

    kv::host::HostResult<std::string> recipeText = kv::host::ReadWholeFile(options.recipe);
    if (!recipeText.Ok()) return Fail(err, recipeText.Error());
    if (recipeText.Value().find('\0') != std::string::npos) {
        return Fail(err, MakeHostError(PathText(options.recipe), msg::RecipeIsBinary));
    }
    // The recipe is parsed while the bundle is loaded and the analyzer reads its tables; a
    // failure to take it as text is still reported after the bundle's.
    kv::host::HostResult<std::string> hostRecipe = kv::host::RecipeToHostText(
        std::move(recipeText.Value()), options.recipeEncoding, PathText(options.recipe));
    const kv::host::SourceText* source = nullptr;
    // Table files are checked while the compile goes on, by whichever thread is free, with the
    // outcome of a load that checks each file as it reads it. Declared first, so that the
    // parse thread, which may help with them, is gone before they are.
    kv::host::DeferredJsonChecks checks;
    std::optional<ParseAhead> parse;
    if (hostRecipe.Ok()) {
        source = &remains.Make<kv::host::SourceText>(PathText(options.recipe),
                                                     std::move(hostRecipe.Value()));
        parse.emplace(*source);
    }
    clock.Mark(msg::PhaseReadRecipe);

    kv::host::HostResult<std::unique_ptr<kv::host::BundleData>> loaded =
        kv::host::BundleData::Load(options.bundle, parse ? &checks : nullptr);
    if (!loaded.Ok()) return Fail(err, loaded.Error());
    kv::host::BundleData& data = remains.Keep(std::move(loaded.Value()));
    clock.Mark(msg::PhaseLoadBundle);
    if (!parse) {
        if (auto status = SettleBundle(options, data, diagnostics, err)) return *status;
        return Fail(err, hostRecipe.Error());
    }
    parse->Afterwards([&checks] { checks.Help(); });

    kv::host::LogSink& sink =
        remains.Make<kv::host::LogSink>(out, diagnostics, source, PathText(options.bundle));
    // The log is written whole at the end; its lines are kept as text, not as calls.
    sink.KeepCalls(false);
    sink.KeepJsonLines(!options.logJson.empty());
    sink.ShowListing(ShowsListing(options));
    data.SetLanguageDebug(&sink);

    ISyntaxTreeVisitor& visitor =
        remains.Keep(std::unique_ptr<ISyntaxTreeVisitor>(newSyntaxTreeVistor(&data)));
    // The analyzer is made, and reads the tables, ahead of its turn, which comes only once the
    // bundle has passed its checks and the recipe has parsed; until then what it logs is held
    // back. Its reading needs no check first: it refuses whatever it cannot parse.
    sink.Hold();
    MadeAnalyzer analyzer = MakeAnalyzer(data);
    checks.Help();
    clock.Mark(msg::PhaseReadTables);
    PreparedRecipe& prepared = remains.Make<PreparedRecipe>(parse->Take());
    clock.Mark(msg::PhaseWaitParse);
    clock.Aside(msg::PhaseParse, parse->WorkTime());
    const ParsedRecipe& parsed = prepared.parsed;
    // From here on this thread is the only one that allocates; another puts memory under the
    // heap ahead of it, where the analysis is long enough for that to pay.
    SetSmallObjectUsers(SmallObjectHeap::Users::OneThread);
    const bool aheadPays =
        SmallObjectsInHugePages() != nullptr || prepared.blocks.size() >= FaultAhead::kLinesWorthIt;
    const FaultAhead faultAhead(aheadPays ? SmallObjects() : nullptr);
    // Where the compile stops before the analysis, the analyzer made ahead never was, as far
    // as the log can tell.
    const auto forgetAnalyzer = [&analyzer, &sink] {
        analyzer = {};
        sink.Drop();
    };
    std::optional<int> stopped;
    if (auto failure = checks.FirstFailure()) {
        stopped = Fail(err, *failure);
    } else {
        stopped = SettleBundle(options, data, diagnostics, err);
    }
    if (stopped) {
        forgetAnalyzer();
        return *stopped;
    }
    diagnostics.SetSource(source);
    // The bundle's annotator (notes and ranges from the tables) is made here.
    diagnostics.SetAnnotator(
        &remains.Make<kv::host::BundleAnnotator>(data, *source, PathText(options.bundle)));
    if (!parsed.errors.empty()) {
        // Logged like the library's reports; nothing is analysed.
        forgetAnalyzer();
        for (const SyntaxError& error : parsed.errors) {
            sink.ReportErrorAtWithNotes(error.code, error.line, error.column, error.message,
                                        kv::diag::kError, SyntaxErrorNotes(error));
        }
        return WriteResults(options, sink, diagnostics, place, nullptr, out, err);
    }

    // Kept with the trees, for the program that is rendered from them as its file is written.
    const std::vector<ISyntaxTreeNode*>& blocks = prepared.blocks;
    const std::vector<int>& blockLines = prepared.blockLines;
    for (kv::host::DiagnosticRecord& record : prepared.timePoints) {
        diagnostics.Report(std::move(record));
    }
    // Read before the analysis too, for the times and arguments as written.
    std::optional<kv::timeline::Timeline> timeline;
    if (!options.timeline.empty()) timeline = kv::timeline::BuildTimeline(data, visitor, blocks);
    // The library holds the tables from here; the texts are read again only for a note, and
    // the memory that reading them took goes back.
    if (!analyzer.failure) {
        data.ReleaseTexts();
        ReturnFreeHeapMemory();
    }
    sink.Release();
    clock.Mark(msg::PhasePrepare);
    if (std::optional<kv::host::HostError> failure = AnalyzeBlocks(
            std::move(analyzer), visitor, blocks, std::move(prepared.allNodes), &remains)) {
        failure->path = PathText(options.bundle);
        return Fail(err, *failure);
    }
    clock.Mark(msg::PhaseAnalysis);
    if (options.checkOnly) {
        return WriteResults(options, sink, diagnostics, place, nullptr, out, err);
    }

    // Paths relative to the output directory, which the set replaces as a whole.
    kv::host::HostResult<std::vector<kv::host::OutputFile>> collected =
        kv::host::CollectBundleOutputs(data, fs::path());
    if (!collected.Ok()) return Fail(err, collected.Error());
    auto& outputs = remains.Make<std::vector<kv::host::OutputFile>>(std::move(collected.Value()));
    // The program is rendered from the trees as its file is written, never held whole: at its
    // size it would be the largest single block of the compile. A second thread renders every
    // other chunk of it.
    outputs.push_back(
        {kv::host::kProgramFile,
         {},
         [&blocks, &blockLines, lineCount = source->LineCount()](const kv::host::PutBytes& put) {
             const kv::host::ProgramLayout layout(blocks, blockLines, lineCount);
             SetSmallObjectUsers(SmallObjectHeap::Users::AnyThread);
             RenderInTwoHands(
                 layout,
                 [](std::string_view line, std::string& text) {
                     if constexpr (kv::host::kHostTextIsGbk) {
                         text += kv::host::FromHostText(line);
                     } else {
                         text += line;
                     }
                 },
                 put);
             SetSmallObjectUsers(SmallObjectHeap::Users::OneThread);
         }});
    const int status = WriteResults(options, sink, diagnostics, place,
                                    options.outDir.empty() ? nullptr : &outputs, out, err);
    if (status == 0 && timeline) {
        if (auto error = WriteTimeline(*timeline, options.timeline)) return Fail(err, *error);
    }
    clock.Mark(msg::PhaseWrite);
    return status;
}

}  // namespace

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err,
               kv::host::ExitHandOver& remains) {
    PhaseClock clock;
    int status = 0;
    try {
        status = Compile(options, out, err, remains, clock);
    } catch (const std::exception& failure) {
        status = Fail(err, MakeHostError("", msg::InternalFailure, failure.what()));
    }
    // The phases a compile that stopped early went through, up to where it stopped.
    if (options.timeReport) clock.Write(err);
    return status;
}

int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    kv::host::ExitHandOver remains;
    return RunCompile(options, out, err, remains);
}

}  // namespace kv::kvc
