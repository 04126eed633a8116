// kvc: compiles recipes against an application bundle and inspects VM images.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
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
    kv::kvc::CompileOptions compile;
    CLI::App* compileCommand =
        app.add_subcommand("compile", "Compile RECIPE against the application BUNDLE into OUTDIR");
    compileCommand->add_option("BUNDLE", bundle, "Application bundle directory")
        ->required()
        ->check(nonEmpty);
    compileCommand->add_option("RECIPE", recipe, "Recipe file")->required()->check(nonEmpty);
    compileCommand->add_option("-o,--output", outDir, "Output directory")
        ->required()
        ->check(nonEmpty)
        ->type_name("OUTDIR");
    compileCommand
        ->add_option("--log-json", logJson,
                     "Write every log call, one JSON object per line, to FILE")
        ->check(nonEmpty)
        ->type_name("FILE");
    compileCommand->add_flag("--write-on-error", compile.writeOnError,
                             "Write the outputs even when errors were reported, for debugging");
    compileCommand
        ->add_option("--encoding", encoding, "The recipe's encoding: utf-8 (the default) or gbk")
        ->check(CLI::IsMember({"utf-8", "gbk"}))
        ->type_name("NAME");
    compileCommand->add_flag("--verbose", compile.verbose,
                             "Also note the tables the library reads that the bundle lacks");
    compileCommand
        ->add_option("--timeline", timeline,
                     "Also draw the compiled recipe as a timeline, an SVG picture, in FILE")
        ->check(nonEmpty)
        ->type_name("FILE");

    // A compile that writes only the picture.
    CLI::App* timelineCommand = app.add_subcommand(
        "timeline", "Compile RECIPE against BUNDLE and draw it as a timeline (SVG) in FILE");
    timelineCommand->add_option("BUNDLE", bundle, "Application bundle directory")
        ->required()
        ->check(nonEmpty);
    timelineCommand->add_option("RECIPE", recipe, "Recipe file")->required()->check(nonEmpty);
    timelineCommand->add_option("-o,--output", timeline, "The SVG picture to write")
        ->required()
        ->check(nonEmpty)
        ->type_name("FILE");
    timelineCommand
        ->add_option("--encoding", encoding, "The recipe's encoding: utf-8 (the default) or gbk")
        ->check(CLI::IsMember({"utf-8", "gbk"}))
        ->type_name("NAME");

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
    compile.recipeEncoding = encoding == "utf-8" ? RecipeEncoding::Utf8 : RecipeEncoding::Gbk;
    compile.timeline = kv::host::PathFromText(timeline);
    inspect.image = kv::host::PathFromText(image);
    try {
        if (compileCommand->parsed() || timelineCommand->parsed()) {
            // Freeing a large compile's trees and tables one by one would take a good part of
            // the run; the exit returns them at once, after the streams are flushed.
            auto remains = std::make_unique<kv::host::ExitHandOver>();
            const int status =
                CheckedExit(kv::kvc::RunCompile(compile, std::cout, std::cerr, *remains));
            kv::host::ExitHandOver::Abandon(std::move(remains));
            return status;
        }
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
