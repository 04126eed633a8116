// KvcMessages: the kvc command's message table, from KvcMessages.def, and the frame of its
// failures.
#pragma once

#include <ostream>
#include <string_view>

#include "diag/Diagnostic.h"

namespace kv::diag::kvc {
#define KV_DIAG_TABLE "tools/kvc/KvcMessages.def"
#include "diag/DefineTable.inc"
}  // namespace kv::diag::kvc

namespace kv::kvc {

// Shows a failure the way every kvc failure looks: "kvc: error: <text>".
inline void ShowError(std::ostream& err, std::string_view text) {
    err << "kvc: error: " << text << '\n';
}

}  // namespace kv::kvc
