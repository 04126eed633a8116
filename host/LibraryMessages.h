// LibraryMessages: the library's message catalogs as the host sees them, in UTF-8 whatever the
// build, so that a diagnostic's text can be told apart by its sentence and the names and values
// in its slots read back. The catalogs stay the one place each sentence is written.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "diag/Diagnostic.h"

namespace kv::host::library {
using kv::diag::kError;

namespace analyzer {
#define KV_DIAG_TABLE "analyzer/AnalyzerMessages.def"
#include "diag/DefineTable.inc"
}  // namespace analyzer

namespace checker {
#define KV_DIAG_TABLE "checkers/CheckerMessages.def"
#include "diag/DefineTable.inc"
}  // namespace checker

namespace data {
#define KV_DIAG_TABLE "data/DataMessages.def"
#include "diag/DefineTable.inc"
}  // namespace data

namespace vm {
#define KV_DIAG_TABLE "vm/VmMessages.def"
#include "diag/DefineTable.inc"
}  // namespace vm

// The values of format's slots (%0 to %9) that make it text, slot by slot; nothing when text
// is not that sentence. A slot holds at least one byte where it can, so that in "%1-%2" the
// text "-5-10" reads as -5 and 10.
std::optional<std::vector<std::string_view>> MatchMessage(std::string_view format,
                                                          std::string_view text);

// The same for a catalog row: its sentence, and only when code is its code.
template <int Slots>
std::optional<std::vector<std::string_view>> MatchMessage(const kv::diag::Message<Slots>& row,
                                                          int code, std::string_view text) {
    if (row.code != code) return std::nullopt;
    return MatchMessage(row.format, text);
}

}  // namespace kv::host::library
