// SyntaxMessages: the recipe parser's error table, from SyntaxMessages.def.
#pragma once

#include "diag/Diagnostic.h"

namespace kv::diag::syntax {
#ifdef _WIN32
// The Windows build's host texts are GBK: the build converts the table into its build tree.
#define KV_DIAG_TABLE "gbk/arbor/SyntaxMessages.def"
#else
#define KV_DIAG_TABLE "arbor/SyntaxMessages.def"
#endif
#include "diag/DefineTable.inc"
}  // namespace kv::diag::syntax

// Which syntax error a fault is: one of the rows above, whose one slot takes what was found.
using SyntaxMessage = const kv::diag::Message<1>*;
