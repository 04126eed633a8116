// LspCommand: the server's options and its streams.
#include "tools/kvc/lsp/LspCommand.h"

#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "host/HostText.h"
#include "tools/kvc/lsp/LspJson.h"

namespace kv::kvc {

int RunLsp(const LspOptions& options, std::istream& in, std::ostream& out) {
#ifdef _WIN32
    // A frame's length counts bytes: no CR may be added or taken away on the way.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    kv::lsp::ServerOptions server;
    if (!options.bundle.empty()) {
        std::error_code ec;
        const std::filesystem::path bundle = kv::host::PathFromText(options.bundle);
        server.bundle = std::filesystem::absolute(bundle, ec);
        if (ec) server.bundle = bundle;
    }
    server.debounce = std::chrono::milliseconds(options.debounceMs);
    server.explanations = options.explanations;
    if (server.explanations.empty()) {
        // The page this source tree renders; an installed kvc without it links none.
        const std::filesystem::path page = kv::host::PathFromText(KVC_ERRORS_PAGE);
        std::error_code ec;
        if (std::filesystem::exists(page, ec)) server.explanations = kv::lsp::FileUri(page);
    }
    server.version = KVC_VERSION;
    kv::lsp::LspServer lsp(std::move(server), in, out);
    return lsp.Run();
}

}  // namespace kv::kvc
