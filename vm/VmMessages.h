// VmMessages: the VM image subsystem's message table, from VmMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::vm {
#define KV_DIAG_TABLE "vm/VmMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::vm
