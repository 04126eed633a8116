// kvc: compiles recipes against an application bundle and inspects VM images.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/ExitHandOver.h"
#include "host/HostText.h"
#include "host/PlatformFiles.h"
#include "tools/kvc/CompileCommand.h"
#include "tools/kvc/ExplainCommand.h"
#include "tools/kvc/InspectCommand.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/LargePages.h"
#include "tools/kvc/SmallObjectHeap.h"
#include "tools/kvc/lsp/LspCommand.h"

namespace {

// Bad arguments mean the command could not run.
constexpr int kUsageExit = 2;

// A run whose text did not all reach the standard streams failed, whatever it did besides.
int CheckedExit(int status) {
    const bool errorWritten = static_cast<bool>(std::cerr.flush());
    if (std::cout.flush()) return errorWritten ? status : kUsageExit;
    if (status != kUsageExit) {
        // A failed run has said so already; otherwise this is the only word of it.
        kv::kvc::ShowError(std::cerr, kv::diag::kvc::StdoutFailed.format);
    }
    return kUsageExit;
}

}  // namespace

int main(int argc, char** argv) {
    kv::host::PrepareProcessForWrites();
    CLI::App app{"kvc: compiles catering recipes into VM images and inspects them", "kvc"};
    app.set_version_flag("--version", std::string("kvc ") + KVC_VERSION);
    app.require_subcommand(1);
    // On Windows CLI11 would read "/path" as an option named "path"; options here start with -.
    app.allow_windows_style_options(false);

    // An empty path would quietly mean the current directory.
    const CLI::Validator nonEmpty(
        [](std::string& value) {
            return value.empty() ? std::string(kv::diag::kvc::EmptyPath.format) : std::string();
        },
        "", "NONEMPTY");

    // Paths are taken as typed (UTF-8) and made paths once the arguments are parsed.
    std::string bundle, recipe, outDir, logJson, image, timeline, encoding = "utf-8";
    std::string diagnosticsFormat = "text", diagnosticsOutput, colour = "auto";
    kv::kvc::CompileOptions compile;
    // compile and check share these; only one of them runs, so they share the variables too.
    const auto addInputs = [&](CLI::App* command) {
        command->add_option("BUNDLE", bundle, "Application bundle directory")
            ->required()
            ->check(nonEmpty);
        command->add_option("RECIPE", recipe, "Recipe file")->required()->check(nonEmpty);
    };
    const auto addAnalysisOptions = [&](CLI::App* command) {
        command
            ->add_option("--log-json", logJson,
                         "Write every log call, one JSON object per line, to FILE; - is "
                         "standard output, which then holds nothing else")
            ->check(nonEmpty)
            ->type_name("FILE");
        command
            ->add_option("--encoding", encoding,
                         "The recipe's encoding: utf-8 (the default) or gbk")
            ->check(CLI::IsMember({"utf-8", "gbk"}))
            ->type_name("NAME");
        command->add_flag("--verbose", compile.verbose,
                          "Also note the tables the library reads that the bundle lacks");
        command
            ->add_option("--diagnostics-format", diagnosticsFormat,
                         "How diagnostics are written: text (the default, with source lines "
                         "and carets), json (an array, one object per diagnostic, byte "
                         "columns) or sarif (a SARIF 2.1.0 log)")
            ->check(CLI::IsMember({"text", "json", "sarif"}))
            ->type_name("FORMAT");
        command
            ->add_option("--diagnostics-output", diagnosticsOutput,
                         "Write the diagnostics to FILE instead of standard error; - is "
                         "standard output, which then holds nothing else")
            ->check(nonEmpty)
            ->type_name("FILE");
        command
            ->add_option("--color", colour,
                         "Colour text diagnostics: auto (the default: on a terminal, unless "
                         "NO_COLOR is set), always or never")
            ->check(CLI::IsMember({"auto", "always", "never"}))
            ->type_name("WHEN");
        command
            ->add_option("--max-errors", compile.maxErrors,
                         "Show at most N errors in text diagnostics, then say how many more "
                         "there were (default 50; 0: no limit)")
            ->check(CLI::Range(0, std::numeric_limits<int>::max()))
            ->type_name("N");
        command->add_flag("--quiet", compile.quiet,
                          "Leave the listing out of standard output: only diagnostics remain");
        command->add_flag("--time-report", compile.timeReport,
                          "After the compile, show on standard error how long each of its "
                          "phases took");
    };

    CLI::App* compileCommand =
        app.add_subcommand("compile", "Compile RECIPE against the application BUNDLE into OUTDIR");
    addInputs(compileCommand);
    compileCommand->add_option("-o,--output", outDir, "Output directory")
        ->required()
        ->check(nonEmpty)
        ->type_name("OUTDIR");
    addAnalysisOptions(compileCommand);
    compileCommand->add_flag("--write-on-error", compile.writeOnError,
                             "Write the outputs even when errors were reported, for debugging");
    compileCommand
        ->add_option("--timeline", timeline,
                     "Also draw the compiled recipe as a timeline, an SVG picture, in FILE")
        ->check(nonEmpty)
        ->type_name("FILE");

    CLI::App* checkCommand = app.add_subcommand(
        "check", "Check RECIPE against the application BUNDLE; write no outputs");
    addInputs(checkCommand);
    addAnalysisOptions(checkCommand);

    // A compile that writes only the picture.
    CLI::App* timelineCommand = app.add_subcommand(
        "timeline", "Compile RECIPE against BUNDLE and draw it as a timeline (SVG) in FILE");
    addInputs(timelineCommand);
    timelineCommand->add_option("-o,--output", timeline, "The SVG picture to write")
        ->required()
        ->check(nonEmpty)
        ->type_name("FILE");
    addAnalysisOptions(timelineCommand);

    kv::kvc::InspectOptions inspect;
    CLI::App* inspectCommand =
        app.add_subcommand("inspect", "Show the header, tables and default data of a VM image");
    inspectCommand->add_option("IMAGE", image, "Binary image file")->required()->check(nonEmpty);
    inspectCommand->add_flag("--json", inspect.json, "Print one JSON document instead of text");

    kv::kvc::ExplainOptions explain;
    CLI::App* explainCommand = app.add_subcommand(
        "explain", "Explain an error code: what it means, a wrong recipe and its fix");
    explainCommand->add_option("CODE", explain.code, "The code, as in error[1003]")
        ->check(nonEmpty);
    explainCommand->add_flag("--list", explain.list, "List every error code with its title");
    explainCommand->add_flag("--markdown", explain.markdown,
                             "Print every explanation as one Markdown page (docs/errors.md)");
    // One of the three: a code, the list or the page.
    explainCommand->require_option(1);

    kv::kvc::LspOptions lsp;
    CLI::App* lspCommand = app.add_subcommand(
        "lsp", "Serve the Language Server Protocol on standard input and output");
    lspCommand
        ->add_option("--bundle", lsp.bundle,
                     "Application bundle directory (default: the one kvc.json names)")
        ->check(nonEmpty)
        ->type_name("DIR");
    lspCommand
        ->add_option("--debounce", lsp.debounceMs,
                     "Milliseconds a changed recipe stays unchanged before it is checked")
        ->check(CLI::Range(0, 10000))
        ->type_name("MS");
    lspCommand
        ->add_option("--explanations", lsp.explanations,
                     "URL of the error codes' page that diagnostics link to")
        ->type_name("URL");
    // Editors' clients name the transport; standard input and output is the only one.
    bool stdio = true;
    lspCommand->add_flag("--stdio", stdio, "Use standard input and output (the default)");

    const std::vector<std::string> arguments = kv::host::CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::Success& done) {
        return CheckedExit(app.exit(done));
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return CheckedExit(kUsageExit);
    }

    compile.bundle = kv::host::PathFromText(bundle);
    compile.recipe = kv::host::PathFromText(recipe);
    compile.outDir = kv::host::PathFromText(outDir);
    compile.logJson = kv::host::PathFromText(logJson);
    compile.diagnosticsFile = kv::host::PathFromText(diagnosticsOutput);
    compile.recipeEncoding = encoding == "utf-8" ? RecipeEncoding::Utf8 : RecipeEncoding::Gbk;
    compile.diagnosticsFormat = diagnosticsFormat == "json"    ? kv::host::DiagnosticFormat::Json
                                : diagnosticsFormat == "sarif" ? kv::host::DiagnosticFormat::Sarif
                                                               : kv::host::DiagnosticFormat::Text;
    compile.colour = colour == "always"  ? kv::host::ColourChoice::Always
                     : colour == "never" ? kv::host::ColourChoice::Never
                                         : kv::host::ColourChoice::Auto;
    compile.checkOnly = checkCommand->parsed();
    compile.timeline = kv::host::PathFromText(timeline);
    inspect.image = kv::host::PathFromText(image);
    try {
        if (compileCommand->parsed() || checkCommand->parsed() || timelineCommand->parsed()) {
            if (kv::kvc::PreferLargePages(compile.recipe, compile.bundle))
                kv::kvc::AdviseSmallObjectsHugePages();
            // Freeing a large compile's trees and tables one by one would take a good part of
            // the run; the exit returns them at once, after the streams are flushed.
            auto remains = std::make_unique<kv::host::ExitHandOver>();
            const int status =
                CheckedExit(kv::kvc::RunCompile(compile, std::cout, std::cerr, *remains));
            kv::host::ExitHandOver::Abandon(std::move(remains));
            return status;
        }
        if (lspCommand->parsed()) return kv::kvc::RunLsp(lsp, std::cin, std::cout);
        if (explainCommand->parsed()) {
            return CheckedExit(kv::kvc::RunExplain(explain, std::cout, std::cerr));
        }
        return CheckedExit(kv::kvc::RunInspect(inspect, std::cout, std::cerr));
    } catch (const std::exception& failure) {
        kv::kvc::ShowError(std::cerr,
                           kv::diag::Text(kv::diag::kvc::InternalFailure, failure.what()));
        return kUsageExit;
    }
}
