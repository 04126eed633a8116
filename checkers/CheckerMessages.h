// CheckerMessages: the checkers' message table, from CheckerMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::checker {
#define KV_DIAG_TABLE "checkers/CheckerMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::checker
