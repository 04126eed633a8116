// AnalyzerMessages: the analyzer's message table, from AnalyzerMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::analyzer {
#define KV_DIAG_TABLE "analyzer/AnalyzerMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::analyzer
