// NoteMessages: the host's table of notes, from NoteMessages.def.
#pragma once

#include "diag/Diagnostic.h"

namespace kv::diag::note {
#define KV_DIAG_TABLE "host/NoteMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::note
