// CompileCommand: `kvc compile BUNDLE RECIPE -o OUTDIR [--log-json FILE] [--write-on-error]` and
// `kvc check BUNDLE RECIPE`, with the diagnostics in the form asked for.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "arbor/TextEncoding.h"
#include "host/DiagnosticOutput.h"
#include "host/ExitHandOver.h"
#include "host/OutputPlaces.h"
#include "host/TerminalColour.h"

namespace kv::kvc {

struct CompileOptions : kv::host::CompilePaths {
    bool writeOnError = false;  // write the outputs even when errors were reported
    bool verbose = false;       // also show the loader's notes on the bundle, not only its warnings
    bool checkOnly = false;     // analyse only: no outputs, no output directory (kvc check)
    bool quiet = false;         // leave the listing out of standard output
    RecipeEncoding recipeEncoding = RecipeEncoding::Utf8;  // how the recipe file is written
    kv::host::DiagnosticFormat diagnosticsFormat = kv::host::DiagnosticFormat::Text;
    kv::host::ColourChoice colour = kv::host::ColourChoice::Auto;  // of the text form
    int maxErrors = 50;  // errors the text form shows; 0: every one
    // Where to draw the compiled recipe as a timeline (SVG), written only when no error was
    // reported; empty: no picture. Without an output directory the picture is all it writes.
    std::filesystem::path timeline;
    bool timeReport = false;  // after the compile, show on err how long each phase took
};

// Compiles the recipe against the bundle and writes the outputs. Listing lines go to out
// (none when quiet, or when the log or the diagnostics take standard output), diagnostics to
// err, out or their file. Returns 0 when no error was reported, 1 when errors were reported
// (syntax or semantic), 2 when the command could not run. The outputs replace the previous
// ones in the output directory as one set, and only when no error was reported (or
// writeOnError asks for them); a check writes none. The JSON log and the diagnostics file are
// written either way.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);
// The same, leaving what the compile built (the trees, the bundle, the sink) to remains rather
// than destroying it, so that a process about to exit can abandon it.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err,
               kv::host::ExitHandOver& remains);

}  // namespace kv::kvc
