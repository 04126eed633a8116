// LspServer: `kvc lsp`, a language server for recipes. It reads protocol messages from one
// stream and answers on another: diagnostics as a document is opened and changed (from the
// same parser, analyzer and bundle as kvc compile), hover, completion and go-to-definition
// from the bundle's index.
#pragma once

#include <rapidjson/document.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/DiagnosticRecord.h"
#include "tools/kvc/lsp/AnalysisQueue.h"
#include "tools/kvc/lsp/JsonRpc.h"
#include "tools/kvc/lsp/RecipeCheck.h"
#include "tools/kvc/lsp/TextPositions.h"

namespace kv::lsp {

struct ServerOptions {
    // The bundle folder; when empty, the "bundle" of kvc.json at the workspace root.
    std::filesystem::path bundle;
    // How long a changed document stays unchanged before it is analysed.
    std::chrono::milliseconds debounce{200};
    // Where each code's explanation is: the code's section is appended as a fragment.
    std::string explanations;
    std::string version;
    // Adds notes and ranges to each diagnostic; not owned, may be null.
    kv::host::DiagnosticAnnotator* annotator = nullptr;
};

class LspServer {
public:
    LspServer(ServerOptions options, std::istream& in, std::ostream& out);
    ~LspServer();

    // Serves until the exit notification or the end of the input. Returns 0 when the client
    // asked for shutdown first, 1 otherwise.
    int Run();

    // An answer to a request: a JSON result, or an error.
    struct Reply {
        std::string result = "null";
        int error = 0;
        std::string message;
    };

private:
    struct Document {
        DocumentText text;
        int version = 0;
        std::string name;  // the recipe's path, as diagnostics name it
    };
    void Handle(const std::string& body);
    void HandleRequest(const rapidjson::Value& id, const std::string& method,
                       const rapidjson::Value& params);
    void HandleNotification(const std::string& method, const rapidjson::Value& params);
    Reply Initialize(const rapidjson::Value& params);
    Reply Hover(const rapidjson::Value& params);
    Reply Completion(const rapidjson::Value& params);
    Reply Definition(const rapidjson::Value& params);
    void Initialized();
    void DidOpen(const rapidjson::Value& params);
    void DidChange(const rapidjson::Value& params);
    void DidClose(const rapidjson::Value& params);
    void DidChangeWatchedFiles(const rapidjson::Value& params);

    // Finds the bundle (--bundle, or kvc.json at the workspace root) and loads it; says in
    // bundleProblem_ why there is none.
    void LoadConfiguredBundle();
    std::shared_ptr<const LoadedBundle> Bundle();
    void AnalyseAllNow();
    // The document and the place a text-document-position request points at.
    const Document* At(const rapidjson::Value& params, Position& position) const;
    // What a hover, completion or definition works on: the document, the place and the
    // bundle. Returns the answer at once where there is nothing to work on (an error for
    // parameters without a place, null for a closed document or without a bundle).
    struct Place {
        const Document* document = nullptr;
        Position position;
        std::shared_ptr<const LoadedBundle> bundle;
    };
    std::optional<Reply> Locate(const rapidjson::Value& params, const char* method, Place& place);

    std::function<void()> Analyse(const std::string& uri, int version, const std::string& text);
    std::string DiagnosticsJson(const std::string& uri, std::optional<int> version,
                                const std::vector<kv::host::DiagnosticRecord>& records,
                                const DocumentText& text) const;

    void Respond(const rapidjson::Value* id, const Reply& reply);
    void Notify(const std::string& method, const std::string& params);
    void ShowMessage(int type, const std::string& text);

    ServerOptions options_;
    FrameReader reader_;
    FrameWriter writer_;
    bool initialized_ = false;
    bool shutdown_ = false;
    bool exited_ = false;
    // What the client said it supports, fixed by initialize before any analysis starts.
    PositionEncoding encoding_ = PositionEncoding::Utf16;
    bool snippets_ = false;
    bool markdown_ = false;
    bool relatedInformation_ = false;
    bool registerWatchers_ = false;
    bool relativePatterns_ = false;
    std::filesystem::path root_;

    std::mutex bundleMutex_;
    std::shared_ptr<const LoadedBundle> bundle_;
    std::filesystem::path bundleDir_;  // the folder configured, whether or not it loaded
    std::string bundleProblem_;        // why no bundle is loaded; empty when one is
    std::map<std::string, Document> documents_;
    int nextRequest_ = 1;
    // Declared last: its thread stops before anything it uses goes.
    std::unique_ptr<AnalysisQueue> queue_;
};

// The fragment of code's section in the explanations page ("1003-a-value-outside-its-range-or-
// choices"); empty for a code without an explanation.
std::string ExplanationAnchor(int code);

}  // namespace kv::lsp
