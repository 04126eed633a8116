// LspCommand: `kvc lsp [--bundle DIR]`, the language server on standard input and output.
#pragma once

#include <iostream>
#include <string>

#include "tools/kvc/lsp/LspServer.h"

namespace kv::kvc {

struct LspOptions {
    std::string bundle;        // as typed; empty: kvc.json at the workspace root names it
    int debounceMs = 200;      // the quiet time before a changed document is analysed
    std::string explanations;  // the URL of the error codes' page; empty: docs/errors.md
};

// Serves the protocol on in and out until the client exits. Returns 0 after shutdown and exit,
// 1 when the input ended or exit came without shutdown.
int RunLsp(const LspOptions& options, std::istream& in, std::ostream& out);

}  // namespace kv::kvc
