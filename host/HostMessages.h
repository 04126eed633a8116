// HostMessages: the reference host's message table, from HostMessages.def.
#pragma once

#include "diag/Diagnostic.h"

namespace kv::diag::host {
#define KV_DIAG_TABLE "host/HostMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::host
