// AnalyzerMessages: the analyzer's message table, from AnalyzerMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::analyzer {
#ifdef _WIN32
// The Windows build's host texts are GBK: the build converts the table into its build tree.
#define KV_DIAG_TABLE "gbk/analyzer/AnalyzerMessages.def"
#else
#define KV_DIAG_TABLE "analyzer/AnalyzerMessages.def"
#endif
#include "diag/DefineTable.inc"
}  // namespace kv::diag::analyzer
