// LspMessages: the language server's message table, from LspMessages.def.
#pragma once

#include "diag/Diagnostic.h"

namespace kv::diag::lsp {
#define KV_DIAG_TABLE "tools/kvc/lsp/LspMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::lsp
