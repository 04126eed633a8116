// CompileCommand: `kvc compile BUNDLE RECIPE -o OUTDIR [--log-json FILE]`.
#pragma once

#include <ostream>
#include <string>

namespace kvc {

struct CompileOptions {
    std::string bundle;
    std::string recipe;
    std::string outDir;
    std::string logJson;  // empty: no JSON log
};

// Compiles the recipe against the bundle and writes the outputs. Listing lines go to out,
// diagnostics to err. Returns 0 when no error was reported, 1 when errors were reported
// (syntax or semantic), 2 when the command could not run; nothing is written into the
// output directory unless the compile reached its output stage.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kvc
