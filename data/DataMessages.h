// DataMessages: the application-data subsystem's message table, from DataMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::data {
#ifdef _WIN32
// The Windows build's host texts are GBK: the build converts the table into its build tree.
#define KV_DIAG_TABLE "gbk/data/DataMessages.def"
#else
#define KV_DIAG_TABLE "data/DataMessages.def"
#endif
#include "diag/DefineTable.inc"
}  // namespace kv::diag::data
