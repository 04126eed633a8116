// CheckerMessages: the checkers' message table, from CheckerMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::checker {
#ifdef _WIN32
// The Windows build's host texts are GBK: the build converts the table into its build tree.
#define KV_DIAG_TABLE "gbk/checkers/CheckerMessages.def"
#else
#define KV_DIAG_TABLE "checkers/CheckerMessages.def"
#endif
#include "diag/DefineTable.inc"
}  // namespace kv::diag::checker
