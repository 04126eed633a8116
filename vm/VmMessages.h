// VmMessages: the VM image subsystem's message table, from VmMessages.def.
#pragma once

#include "diag/Report.h"

namespace kv::diag::vm {
#ifdef _WIN32
// The Windows build's host texts are GBK: the build converts the table into its build tree.
#define KV_DIAG_TABLE "gbk/vm/VmMessages.def"
#else
#define KV_DIAG_TABLE "vm/VmMessages.def"
#endif
#include "diag/DefineTable.inc"
}  // namespace kv::diag::vm
