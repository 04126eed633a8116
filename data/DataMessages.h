// DataMessages: the application-data subsystem's message table, from DataMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::data {
#define KV_DIAG_TABLE "data/DataMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::data
