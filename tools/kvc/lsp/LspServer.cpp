// LspServer: the lifecycle, the dispatch of messages and the documents.
#include "tools/kvc/lsp/LspServer.h"

#include <rapidjson/error/en.h>

#include <exception>

#include "host/FileRead.h"
#include "host/HostText.h"
#include "tools/kvc/Explanations.h"
#include "tools/kvc/lsp/LspFeatures.h"
#include "tools/kvc/lsp/LspJson.h"
#include "tools/kvc/lsp/LspMessages.h"

namespace kv::lsp {
namespace fs = std::filesystem;
namespace msg = kv::diag::lsp;
using kv::diag::Text;
using rapidjson::Value;

namespace {

constexpr const char* kConfigFile = "kvc.json";
// window/showMessage types.
constexpr int kMessageWarning = 2;
// textDocumentSync: the whole text on every change.
constexpr int kFullSync = 1;

template <typename Fill>
std::string Json(Fill fill) {
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    fill(json);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string Raw(const Value& value) {
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    value.Accept(json);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// A range of a 1-based line and 1-based byte columns [column, endColumn) of text's UTF-8 line.
Range RangeOf(const DocumentText& text, int line, int column, int endColumn,
              PositionEncoding encoding) {
    const int at = std::max(line - 1, 0);
    const auto byte = [](int c) { return static_cast<std::size_t>(std::max(c - 1, 0)); };
    return {{at, text.CharacterOf(at, byte(column), encoding)},
            {at, text.CharacterOf(at, byte(std::max(endColumn, column)), encoding)}};
}

Range LineRange(const DocumentText& text, std::size_t start, std::size_t end, int line,
                PositionEncoding encoding) {
    return {{line, text.CharacterOf(line, start, encoding)},
            {line, text.CharacterOf(line, end, encoding)}};
}

// A range in a file, as a definition or a related note names it.
struct Location {
    std::string uri;
    Range range;
};

void WriteLocation(JsonWriter& json, const Location& location) {
    json.StartObject();
    json.Key("uri");
    WriteText(json, location.uri);
    json.Key("range");
    WriteRange(json, location.range);
    json.EndObject();
}

// Where a diagnostic's note points: in the document uri (text) itself, at the diagnostic's
// own range when the note names no line of it, or in a table file of the bundle.
Location NoteLocation(const kv::host::DiagnosticNote& note, const std::string& uri,
                      const DocumentText& text, Range diagnosticRange, const fs::path& root,
                      PositionEncoding encoding) {
    Location location;
    location.range = diagnosticRange;
    if (note.where.file.empty()) {
        location.uri = uri;
        if (note.where.line >= 1) {
            location.range = RangeOf(text, note.where.line, std::max(note.where.column, 1),
                                     note.where.endColumn, encoding);
        }
        return location;
    }
    fs::path file = kv::host::PathFromText(note.where.file);
    if (file.is_relative() && !root.empty()) file = root / file;
    location.uri = FileUri(file);
    // A table file is not open here: its columns are taken as they are.
    const int line = std::max(note.where.line - 1, 0);
    const int column = std::max(note.where.column - 1, 0);
    location.range = {{line, column}, {line, std::max(note.where.endColumn - 1, column)}};
    return location;
}

}  // namespace

std::string ExplanationAnchor(int code) {
    const kv::kvc::Explanation* explanation = kv::kvc::FindExplanation(code);
    if (explanation == nullptr) return {};
    // The heading "1003: A value outside its range or choices" as Markdown renderers link it:
    // lower case, punctuation dropped, spaces as hyphens.
    std::string anchor;
    for (const char c : std::to_string(code) + ": " + std::string(explanation->title)) {
        if (c >= 'A' && c <= 'Z') {
            anchor += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
            anchor += c;
        } else if (c == ' ') {
            anchor += '-';
        }
    }
    return anchor;
}

LspServer::LspServer(ServerOptions options, std::istream& in, std::ostream& out)
    : options_(std::move(options)), reader_(in), writer_(out) {
    queue_ = std::make_unique<AnalysisQueue>(
        [this](const std::string& uri, int version, const std::string& text) {
            return Analyse(uri, version, text);
        },
        options_.debounce);
}

LspServer::~LspServer() { queue_.reset(); }

int LspServer::Run() {
    while (!exited_) {
        Frame frame = reader_.Next();
        if (frame.kind == Frame::Kind::End) break;
        if (frame.kind == Frame::Kind::Refused) {
            Respond(nullptr, {"null", rpc::kParseError, frame.error});
            continue;
        }
        try {
            Handle(frame.body);
        } catch (const std::exception& failure) {
            // A fault of the server's own must not end the session.
            Respond(nullptr,
                    {"null", rpc::kInternalError, Text(msg::RequestFailed, failure.what())});
        }
    }
    queue_.reset();
    return shutdown_ && exited_ ? 0 : 1;
}

void LspServer::Handle(const std::string& body) {
    rapidjson::Document message;
    message.Parse(body.c_str(), body.size());
    if (message.HasParseError()) {
        Respond(nullptr,
                {"null", rpc::kParseError,
                 Text(msg::BodyNotJson, rapidjson::GetParseError_En(message.GetParseError()),
                      std::to_string(message.GetErrorOffset()))});
        return;
    }
    const Value* id = Member(message, {"id"});
    const bool validId = id != nullptr && (id->IsInt64() || id->IsString());
    const std::optional<std::string> method = TextAt(message, {"method"});
    if (TextAt(message, {"jsonrpc"}) != std::string("2.0") ||
        (id != nullptr && !validId && !id->IsNull())) {
        Respond(validId ? id : nullptr, {"null", rpc::kInvalidRequest, msg::NotAMessage.format});
        return;
    }
    if (!method) {
        // A response to one of the server's requests (a registration): nothing waits on it.
        if (validId && (Member(message, {"result"}) || Member(message, {"error"}))) return;
        Respond(validId ? id : nullptr, {"null", rpc::kInvalidRequest, msg::NotAMessage.format});
        return;
    }
    static const Value kNoParams(rapidjson::kObjectType);
    const Value* params = Member(message, {"params"});
    if (params == nullptr) params = &kNoParams;
    if (validId) {
        HandleRequest(*id, *method, *params);
    } else {
        HandleNotification(*method, *params);
    }
}

void LspServer::HandleRequest(const Value& id, const std::string& method, const Value& params) {
    Reply reply;
    if (method == "initialize") {
        reply = initialized_ ? Reply{"null", rpc::kInvalidRequest, msg::InitializedTwice.format}
                             : Initialize(params);
    } else if (!initialized_) {
        reply = {"null", rpc::kServerNotInitialized, msg::NotInitialized.format};
    } else if (shutdown_) {
        reply = {"null", rpc::kInvalidRequest, msg::ShuttingDown.format};
    } else if (method == "shutdown") {
        shutdown_ = true;
    } else if (method == "textDocument/hover") {
        reply = Hover(params);
    } else if (method == "textDocument/completion") {
        reply = Completion(params);
    } else if (method == "textDocument/definition") {
        reply = Definition(params);
    } else {
        reply = {"null", rpc::kMethodNotFound, Text(msg::UnknownMethod, method)};
    }
    Respond(&id, reply);
}

void LspServer::HandleNotification(const std::string& method, const Value& params) {
    if (method == "exit") {
        exited_ = true;
        return;
    }
    // Before initialize, and after shutdown, notifications are dropped.
    if (!initialized_ || shutdown_) return;
    if (method == "initialized") {
        Initialized();
    } else if (method == "textDocument/didOpen") {
        DidOpen(params);
    } else if (method == "textDocument/didChange") {
        DidChange(params);
    } else if (method == "textDocument/didClose") {
        DidClose(params);
    } else if (method == "workspace/didChangeWatchedFiles") {
        DidChangeWatchedFiles(params);
    }
    // Any other notification ($/cancelRequest, didSave, ...) needs nothing from the server.
}

LspServer::Reply LspServer::Initialize(const Value& params) {
    if (const Value* encodings = Member(params, {"capabilities", "general", "positionEncodings"});
        encodings != nullptr && encodings->IsArray()) {
        for (const Value& encoding : encodings->GetArray()) {
            if (encoding.IsString() && std::string_view(encoding.GetString()) == "utf-8") {
                encoding_ = PositionEncoding::Utf8;
            }
        }
    }
    snippets_ = TrueAt(
        params, {"capabilities", "textDocument", "completion", "completionItem", "snippetSupport"});
    if (const Value* formats =
            Member(params, {"capabilities", "textDocument", "hover", "contentFormat"});
        formats != nullptr && formats->IsArray()) {
        for (const Value& format : formats->GetArray()) {
            markdown_ = markdown_ ||
                        (format.IsString() && std::string_view(format.GetString()) == "markdown");
        }
    }
    relatedInformation_ = TrueAt(
        params, {"capabilities", "textDocument", "publishDiagnostics", "relatedInformation"});
    registerWatchers_ = TrueAt(
        params, {"capabilities", "workspace", "didChangeWatchedFiles", "dynamicRegistration"});
    relativePatterns_ = TrueAt(
        params, {"capabilities", "workspace", "didChangeWatchedFiles", "relativePatternSupport"});
    std::optional<std::string> root = TextAt(params, {"rootUri"});
    if (const Value* folders = Member(params, {"workspaceFolders"});
        folders != nullptr && folders->IsArray() && !folders->Empty()) {
        if (std::optional<std::string> first = TextAt((*folders)[0], {"uri"})) root = first;
    }
    if (root) {
        if (std::optional<fs::path> path = PathOfUri(*root)) root_ = *path;
    } else if (std::optional<std::string> rootPath = TextAt(params, {"rootPath"})) {
        root_ = kv::host::PathFromText(*rootPath);
    }
    initialized_ = true;
    LoadConfiguredBundle();

    const PositionEncoding encoding = encoding_;
    const std::string& version = options_.version;
    return {Json([&](JsonWriter& json) {
                json.StartObject();
                json.Key("capabilities");
                json.StartObject();
                json.Key("positionEncoding");
                json.String(encoding == PositionEncoding::Utf8 ? "utf-8" : "utf-16");
                json.Key("textDocumentSync");
                json.StartObject();
                json.Key("openClose");
                json.Bool(true);
                json.Key("change");
                json.Int(kFullSync);
                json.EndObject();
                json.Key("hoverProvider");
                json.Bool(true);
                json.Key("completionProvider");
                json.StartObject();
                json.Key("triggerCharacters");
                json.StartArray();
                for (const char* trigger : {"#", "(", ","}) json.String(trigger);
                json.EndArray();
                json.EndObject();
                json.Key("definitionProvider");
                json.Bool(true);
                json.EndObject();
                json.Key("serverInfo");
                json.StartObject();
                json.Key("name");
                json.String("kvc");
                json.Key("version");
                WriteText(json, version);
                json.EndObject();
                json.EndObject();
            }),
            0,
            {}};
}

void LspServer::Initialized() {
    if (!bundleProblem_.empty()) ShowMessage(kMessageWarning, bundleProblem_);
    if (!registerWatchers_) return;
    // The bundle's tables and kvc.json: a change to either loads the bundle again.
    const std::string bundleUri = bundleDir_.empty() ? std::string() : FileUri(bundleDir_);
    const bool relative = relativePatterns_ && !bundleUri.empty();
    writer_.Write(Json([&](JsonWriter& json) {
        json.StartObject();
        json.Key("jsonrpc");
        json.String("2.0");
        json.Key("id");
        json.String(("kvc-" + std::to_string(nextRequest_++)).c_str());
        json.Key("method");
        json.String("client/registerCapability");
        json.Key("params");
        json.StartObject();
        json.Key("registrations");
        json.StartArray();
        json.StartObject();
        json.Key("id");
        json.String("kvc-bundle-files");
        json.Key("method");
        json.String("workspace/didChangeWatchedFiles");
        json.Key("registerOptions");
        json.StartObject();
        json.Key("watchers");
        json.StartArray();
        json.StartObject();
        json.Key("globPattern");
        json.String("**/kvc.json");
        json.EndObject();
        json.StartObject();
        json.Key("globPattern");
        if (relative) {
            json.StartObject();
            json.Key("baseUri");
            WriteText(json, bundleUri);
            json.Key("pattern");
            json.String("**/*.json");
            json.EndObject();
        } else {
            json.String("**/*.json");
        }
        json.EndObject();
        json.EndArray();
        json.EndObject();
        json.EndObject();
        json.EndArray();
        json.EndObject();
        json.EndObject();
    }));
}

void LspServer::LoadConfiguredBundle() {
    fs::path dir = options_.bundle;
    std::string problem;
    if (dir.empty() && !root_.empty()) {
        const fs::path config = root_ / kConfigFile;
        std::error_code ec;
        if (fs::exists(config, ec)) {
            kv::host::HostResult<std::string> text = kv::host::ReadWholeFile(config);
            rapidjson::Document json;
            std::optional<std::string> named;
            if (text.Ok() &&
                !json.Parse(text.Value().c_str(), text.Value().size()).HasParseError()) {
                named = TextAt(json, {"bundle"});
            }
            if (named && !named->empty()) {
                dir = root_ / kv::host::PathFromText(*named);
            } else {
                problem = text.Ok() ? Text(msg::ConfigNotValid, kv::host::PathText(config))
                                    : text.Error().Describe();
            }
        }
    }
    if (!dir.empty() && dir.is_relative() && !root_.empty()) dir = root_ / dir;
    std::shared_ptr<const LoadedBundle> bundle;
    if (!problem.empty()) {
        problem = Text(msg::BundleNotLoaded, problem);
    } else if (dir.empty()) {
        problem = msg::NoBundle.format;
    } else {
        dir = dir.lexically_normal();
        kv::host::HostResult<std::shared_ptr<const LoadedBundle>> loaded = LoadBundle(dir);
        if (loaded.Ok()) {
            bundle = std::move(loaded.Value());
        } else {
            problem = Text(msg::BundleNotLoaded, loaded.Error().Describe());
        }
    }
    const std::lock_guard<std::mutex> lock(bundleMutex_);
    bundle_ = std::move(bundle);
    bundleDir_ = dir;
    bundleProblem_ = std::move(problem);
}

std::shared_ptr<const LoadedBundle> LspServer::Bundle() {
    const std::lock_guard<std::mutex> lock(bundleMutex_);
    return bundle_;
}

void LspServer::DidOpen(const Value& params) {
    const std::optional<std::string> uri = TextAt(params, {"textDocument", "uri"});
    const std::optional<std::string> text = TextAt(params, {"textDocument", "text"});
    if (!uri || !text) return;
    Document& document = documents_[*uri];
    document.text = DocumentText(*text);
    document.version = IntAt(params, {"textDocument", "version"}).value_or(0);
    const std::optional<fs::path> path = PathOfUri(*uri);
    document.name = path ? kv::host::PathText(*path) : *uri;
    queue_->Submit(*uri, document.version, *text, true);
}

void LspServer::DidChange(const Value& params) {
    const std::optional<std::string> uri = TextAt(params, {"textDocument", "uri"});
    const Value* changes = Member(params, {"contentChanges"});
    if (!uri || changes == nullptr || !changes->IsArray()) return;
    const auto it = documents_.find(*uri);
    if (it == documents_.end()) return;
    Document& document = it->second;
    for (const Value& change : changes->GetArray()) {
        const std::optional<std::string> text = TextAt(change, {"text"});
        if (!text) continue;
        const std::optional<int> startLine = IntAt(change, {"range", "start", "line"});
        const std::optional<int> startCharacter = IntAt(change, {"range", "start", "character"});
        const std::optional<int> endLine = IntAt(change, {"range", "end", "line"});
        const std::optional<int> endCharacter = IntAt(change, {"range", "end", "character"});
        if (startLine && startCharacter && endLine && endCharacter) {
            document.text.Replace(document.text.Offset({*startLine, *startCharacter}, encoding_),
                                  document.text.Offset({*endLine, *endCharacter}, encoding_),
                                  *text);
        } else {
            document.text = DocumentText(*text);
        }
    }
    document.version = IntAt(params, {"textDocument", "version"}).value_or(document.version + 1);
    queue_->Submit(*uri, document.version, document.text.Text(), false);
}

void LspServer::DidClose(const Value& params) {
    const std::optional<std::string> uri = TextAt(params, {"textDocument", "uri"});
    if (!uri || documents_.erase(*uri) == 0) return;
    const std::string cleared = DiagnosticsJson(*uri, std::nullopt, {}, DocumentText());
    queue_->Close(*uri, [&] { Notify("textDocument/publishDiagnostics", cleared); });
}

void LspServer::DidChangeWatchedFiles(const Value& params) {
    const Value* changes = Member(params, {"changes"});
    if (changes == nullptr || !changes->IsArray()) return;
    const fs::path bundleDir = [&] {
        const std::lock_guard<std::mutex> lock(bundleMutex_);
        return bundleDir_;
    }();
    bool concerned = false;
    for (const Value& change : changes->GetArray()) {
        const std::optional<std::string> uri = TextAt(change, {"uri"});
        const std::optional<fs::path> path = uri ? PathOfUri(*uri) : std::nullopt;
        if (!path) continue;
        const fs::path normal = path->lexically_normal();
        const fs::path inside =
            bundleDir.empty() ? fs::path() : normal.lexically_relative(bundleDir);
        concerned = concerned || normal.filename() == kConfigFile ||
                    (!inside.empty() && *inside.begin() != "..");
    }
    if (!concerned) return;
    LoadConfiguredBundle();
    if (!bundleProblem_.empty()) ShowMessage(kMessageWarning, bundleProblem_);
    AnalyseAllNow();
}

void LspServer::AnalyseAllNow() {
    for (const auto& [uri, document] : documents_) {
        queue_->Submit(uri, document.version, document.text.Text(), true);
    }
}

const LspServer::Document* LspServer::At(const Value& params, Position& position) const {
    const std::optional<std::string> uri = TextAt(params, {"textDocument", "uri"});
    const std::optional<int> line = IntAt(params, {"position", "line"});
    const std::optional<int> character = IntAt(params, {"position", "character"});
    if (!uri || !line || !character) return nullptr;
    const auto it = documents_.find(*uri);
    if (it == documents_.end()) return nullptr;
    position = {*line, *character};
    return &it->second;
}

std::optional<LspServer::Reply> LspServer::Locate(const Value& params, const char* method,
                                                  Place& place) {
    place.document = At(params, place.position);
    if (place.document == nullptr) {
        if (!TextAt(params, {"textDocument", "uri"}) || !IntAt(params, {"position", "line"})) {
            return Reply{"null", rpc::kInvalidParams,
                         Text(msg::BadParams, method, "textDocument.uri or position")};
        }
        // A document the client did not open, or closed: nothing to say about it.
        return Reply{};
    }
    place.bundle = Bundle();
    if (place.bundle == nullptr) return Reply{};
    return std::nullopt;
}

LspServer::Reply LspServer::Hover(const Value& params) {
    Place place;
    if (std::optional<Reply> early = Locate(params, "textDocument/hover", place)) return *early;
    const Position position = place.position;
    const DocumentText& text = place.document->text;
    const std::string_view line = text.Line(position.line);
    const std::optional<HoverText> hover = HoverAt(
        place.bundle->index, line, text.ByteInLine(position.line, position.character, encoding_));
    if (!hover) return {};
    const Range range = LineRange(text, hover->start, hover->end, position.line, encoding_);
    const bool markdown = markdown_;
    return {Json([&](JsonWriter& json) {
                json.StartObject();
                json.Key("contents");
                json.StartObject();
                json.Key("kind");
                json.String(markdown ? "markdown" : "plaintext");
                json.Key("value");
                WriteText(json, hover->markdown);
                json.EndObject();
                json.Key("range");
                WriteRange(json, range);
                json.EndObject();
            }),
            0,
            {}};
}

LspServer::Reply LspServer::Completion(const Value& params) {
    Place place;
    if (std::optional<Reply> early = Locate(params, "textDocument/completion", place))
        return *early;
    const Position position = place.position;
    const DocumentText& text = place.document->text;
    const std::vector<CompletionEntry> entries =
        CompleteAt(place.bundle->index, text.Line(position.line), position.line + 1,
                   text.ByteInLine(position.line, position.character, encoding_), snippets_);
    return {Json([&](JsonWriter& json) {
                json.StartObject();
                json.Key("isIncomplete");
                json.Bool(false);
                json.Key("items");
                json.StartArray();
                for (const CompletionEntry& entry : entries) {
                    json.StartObject();
                    json.Key("label");
                    WriteText(json, entry.label);
                    json.Key("kind");
                    json.Int(static_cast<int>(entry.kind));
                    json.Key("detail");
                    WriteText(json, entry.detail);
                    if (!entry.filterText.empty()) {
                        json.Key("filterText");
                        WriteText(json, entry.filterText);
                    }
                    json.Key("insertTextFormat");
                    json.Int(entry.snippet ? 2 : 1);
                    json.Key("textEdit");
                    json.StartObject();
                    json.Key("range");
                    WriteRange(json,
                               LineRange(text, entry.start, entry.end, position.line, encoding_));
                    json.Key("newText");
                    WriteText(json, entry.insertText);
                    json.EndObject();
                    json.EndObject();
                }
                json.EndArray();
                json.EndObject();
            }),
            0,
            {}};
}

LspServer::Reply LspServer::Definition(const Value& params) {
    Place place;
    if (std::optional<Reply> early = Locate(params, "textDocument/definition", place))
        return *early;
    const Position position = place.position;
    const DocumentText& text = place.document->text;
    const std::optional<TablePlace> entry =
        DefinitionAt(place.bundle->index, text.Line(position.line),
                     text.ByteInLine(position.line, position.character, encoding_));
    if (!entry) return {};
    return {Json([&](JsonWriter& json) {
                Location location;
                location.uri = FileUri(entry->file);
                // The row's line, from its start: a table file is not open here.
                const Position start{std::max(entry->line - 1, 0), 0};
                location.range = {start, start};
                WriteLocation(json, location);
            }),
            0,
            {}};
}

std::function<void()> LspServer::Analyse(const std::string& uri, int version,
                                         const std::string& text) {
    const std::shared_ptr<const LoadedBundle> bundle = Bundle();
    const std::optional<fs::path> path = PathOfUri(uri);
    const std::string name = path ? kv::host::PathText(*path) : uri;
    const std::vector<kv::host::DiagnosticRecord> records =
        CheckRecipe(name, text, bundle.get(), options_.annotator);
    std::string params = DiagnosticsJson(uri, version, records, DocumentText(text));
    return
        [this, params = std::move(params)] { Notify("textDocument/publishDiagnostics", params); };
}

std::string LspServer::DiagnosticsJson(const std::string& uri, std::optional<int> version,
                                       const std::vector<kv::host::DiagnosticRecord>& records,
                                       const DocumentText& text) const {
    return Json([&](JsonWriter& json) {
        json.StartObject();
        json.Key("uri");
        WriteText(json, uri);
        if (version) {
            json.Key("version");
            json.Int(*version);
        }
        json.Key("diagnostics");
        json.StartArray();
        for (const kv::host::DiagnosticRecord& record : records) {
            const Range range = RangeOf(text, record.where.line, record.where.column,
                                        record.where.endColumn, encoding_);
            json.StartObject();
            json.Key("range");
            WriteRange(json, range);
            json.Key("severity");
            json.Int(record.severity == kv::host::Severity::Error     ? 1
                     : record.severity == kv::host::Severity::Warning ? 2
                                                                      : 3);
            if (record.code != 0) {
                json.Key("code");
                json.Int(record.code);
                if (const std::string anchor = ExplanationAnchor(record.code);
                    !anchor.empty() && !options_.explanations.empty()) {
                    json.Key("codeDescription");
                    json.StartObject();
                    json.Key("href");
                    WriteText(json, options_.explanations + "#" + anchor);
                    json.EndObject();
                }
            }
            json.Key("source");
            json.String("kvc");
            std::string message = record.message;
            for (const std::string& detail : record.details) message += "\n" + detail;
            if (!relatedInformation_) {
                for (const kv::host::DiagnosticNote& note : record.notes) {
                    message += "\nnote: " + note.text;
                }
            }
            json.Key("message");
            WriteText(json, message);
            if (relatedInformation_ && !record.notes.empty()) {
                json.Key("relatedInformation");
                json.StartArray();
                for (const kv::host::DiagnosticNote& note : record.notes) {
                    json.StartObject();
                    json.Key("location");
                    WriteLocation(json, NoteLocation(note, uri, text, range, root_, encoding_));
                    json.Key("message");
                    WriteText(json, note.text);
                    json.EndObject();
                }
                json.EndArray();
            }
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    });
}

void LspServer::Respond(const Value* id, const Reply& reply) {
    const std::string idText = id == nullptr ? std::string("null") : Raw(*id);
    writer_.Write(Json([&](JsonWriter& json) {
        json.StartObject();
        json.Key("jsonrpc");
        json.String("2.0");
        json.Key("id");
        json.RawValue(idText.c_str(), idText.size(), rapidjson::kNumberType);
        if (reply.error != 0) {
            json.Key("error");
            json.StartObject();
            json.Key("code");
            json.Int(reply.error);
            json.Key("message");
            WriteText(json, reply.message);
            json.EndObject();
        } else {
            json.Key("result");
            json.RawValue(reply.result.c_str(), reply.result.size(), rapidjson::kObjectType);
        }
        json.EndObject();
    }));
}

void LspServer::Notify(const std::string& method, const std::string& params) {
    writer_.Write(Json([&](JsonWriter& json) {
        json.StartObject();
        json.Key("jsonrpc");
        json.String("2.0");
        json.Key("method");
        WriteText(json, method);
        json.Key("params");
        json.RawValue(params.c_str(), params.size(), rapidjson::kObjectType);
        json.EndObject();
    }));
}

void LspServer::ShowMessage(int type, const std::string& text) {
    Notify("window/showMessage", Json([&](JsonWriter& json) {
               json.StartObject();
               json.Key("type");
               json.Int(type);
               json.Key("message");
               WriteText(json, text);
               json.EndObject();
           }));
}

}  // namespace kv::lsp
