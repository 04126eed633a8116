// CompileCommand: `kvc compile BUNDLE RECIPE -o OUTDIR [--log-json FILE] [--write-on-error]`.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "arbor/TextEncoding.h"
#include "host/ExitHandOver.h"
#include "host/OutputPlaces.h"

namespace kv::kvc {

struct CompileOptions : kv::host::CompilePaths {
    bool writeOnError = false;  // write the outputs even when errors were reported
    bool verbose = false;       // also show the loader's notes on the bundle, not only its warnings
    RecipeEncoding recipeEncoding = RecipeEncoding::Utf8;  // how the recipe file is written
    // Where to draw the compiled recipe as a timeline (SVG), written only when no error was
    // reported; empty: no picture. Without an output directory the picture is all it writes.
    std::filesystem::path timeline;
};

// Compiles the recipe against the bundle and writes the outputs. Listing lines go to out,
// diagnostics to err. Returns 0 when no error was reported, 1 when errors were reported
// (syntax or semantic), 2 when the command could not run. The outputs replace the previous
// ones in the output directory as one set, and only when no error was reported (or
// writeOnError asks for them); the JSON log is written either way.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);
// The same, leaving what the compile built (the trees, the bundle, the sink) to remains rather
// than destroying it, so that a process about to exit can abandon it.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err,
               kv::host::ExitHandOver& remains);

}  // namespace kv::kvc
