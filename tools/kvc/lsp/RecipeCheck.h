// RecipeCheck: the diagnostics of one recipe text, found the way kvc compile finds them
// (parse, time-point warnings, the analyzer's drive) against a bundle loaded once.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/BundleData.h"
#include "host/DiagnosticRecord.h"
#include "host/HostError.h"
#include "tools/kvc/lsp/BundleIndex.h"

namespace kv::lsp {

// A bundle as loaded, shared by the analyses and the requests. The store itself is never
// handed to the library, which rewrites rows: each analysis gets its own copy of the rows.
struct LoadedBundle {
    std::filesystem::path dir;
    std::unique_ptr<kv::host::BundleData> store;
    BundleIndex index;
};

// Loads the bundle at dir and indexes it; fails as kvc compile would, naming the file.
kv::host::HostResult<std::shared_ptr<const LoadedBundle>> LoadBundle(
    const std::filesystem::path& dir);

// The diagnostics of a recipe (UTF-8, as the editor holds it) named name: its syntax errors,
// or when it has none and a bundle is given, the time-point warnings and every error the
// analyzer reports. Each goes through annotator when one is given; a diagnostic that still
// has no range then gets the extent of the word at its column. Never throws for bad input.
std::vector<kv::host::DiagnosticRecord> CheckRecipe(const std::string& name,
                                                    const std::string& text,
                                                    const LoadedBundle* bundle,
                                                    kv::host::DiagnosticAnnotator* annotator);

// The columns [column, end) of the word, reference, quoted text or operator that starts at
// byte column `column` (1-based) of line; at least one character.
int WordEndColumn(std::string_view line, int column);

}  // namespace kv::lsp
