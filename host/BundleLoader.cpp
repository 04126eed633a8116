// BundleLoader: fills a BundleData from the folders and JSON files of a bundle directory.
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cstddef>
#include <map>
#include <optional>

#include "host/BundleData.h"
#include "host/FileRead.h"
#include "utilo/JsonBase.h"

namespace kvhost {
namespace fs = std::filesystem;

namespace {

constexpr const char* kHostFolder = "host";
constexpr const char* kJsonSuffix = ".json";
constexpr std::size_t kJsonSuffixSize = 5;

bool IsHidden(const std::string& name) { return !name.empty() && name[0] == '.'; }

bool IsJsonFileName(const std::string& name) {
    return name.size() > kJsonSuffixSize &&
           name.compare(name.size() - kJsonSuffixSize, kJsonSuffixSize, kJsonSuffix) == 0;
}

bool IsDirectory(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_directory(ec);
}

bool IsRegularFile(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_regular_file(ec);
}

// Editors on Windows like to start JSON files with a byte-order mark; RapidJSON does not.
void StripByteOrderMark(std::string& text) {
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Follows the nesting depth of a document and stops the parse past the library's limit.
using Brisk::RapidJsonHelper::JsonBase;

struct DepthLimit : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, DepthLimit> {
    int depth = 0;
    bool tooDeep = false;
    bool Open() {
        tooDeep = ++depth > JsonBase::kMaxDepth;
        return !tooDeep;
    }
    bool StartObject() { return Open(); }
    bool StartArray() { return Open(); }
    bool EndObject(rapidjson::SizeType) { return --depth, true; }
    bool EndArray(rapidjson::SizeType) { return --depth, true; }
};

// Checks that text is one JSON document without building it. The iterative parser keeps a
// deeply nested file from exhausting the stack.
std::optional<HostError> CheckJson(const std::string& text, const fs::path& path) {
    // A NUL would end the parse early and hide whatever follows it.
    if (text.find('\0') != std::string::npos) {
        return MakeHostError(path.string(), HostMsg::NotJson,
                             std::string(HostText(HostMsg::HoldsNulByte)));
    }
    rapidjson::Reader reader;
    DepthLimit limit;
    rapidjson::MemoryStream stream(text.data(), text.size());
    const rapidjson::ParseResult result =
        reader.Parse<rapidjson::kParseIterativeFlag>(stream, limit);
    if (limit.tooDeep) {
        // The library refuses such a document, so loading it would quietly give an empty table.
        return MakeHostError(path.string(), HostMsg::NotJson,
                             std::string(HostText(HostMsg::NestedTooDeep)) +
                                 std::to_string(JsonBase::kMaxDepth));
    }
    if (!result) {
        std::string detail = rapidjson::GetParseError_En(result.Code());
        detail += HostText(HostMsg::AtByteOffset);
        detail += std::to_string(result.Offset());
        return MakeHostError(path.string(), HostMsg::NotJson, detail);
    }
    return std::nullopt;
}

// Reads one row file; an empty (or blank) file is a row whose field is not valid.
std::optional<HostError> AddRowFile(BundleTable& table, const std::string& key,
                                    const fs::path& file, fs::path relativePath) {
    HostResult<std::string> text = ReadWholeFile(file);
    if (!text.Ok()) return text.Error();
    StripByteOrderMark(text.Value());
    const bool valid = !IsBlank(text.Value());
    if (valid) {
        if (auto error = CheckJson(text.Value(), file)) return error;
    }
    table.AddRow(key, std::make_unique<BundleRecord>(valid ? std::move(text.Value()) : "", valid,
                                                     std::move(relativePath)));
    return std::nullopt;
}

// Where one table lives: a file held in one row, or a folder of row files.
struct TableSource {
    std::optional<fs::path> file;
    std::optional<fs::path> folder;
};

std::optional<HostError> LoadSplitTable(BundleTable& table, const fs::path& folder,
                                        const fs::path& relativeFolder) {
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(folder);
    if (!entries.Ok()) return entries.Error();
    for (const NamedEntry& row : entries.Value()) {
        if (IsHidden(row.name) || !IsJsonFileName(row.name) || !IsRegularFile(row.entry)) {
            continue;
        }
        // Keyed by the whole file name so that the rows walk in file name order.
        if (auto error = AddRowFile(table, row.name, row.entry.path(), relativeFolder / row.name)) {
            return error;
        }
    }
    return std::nullopt;
}

std::optional<HostError> LoadDatabase(BundleData& data, const fs::path& folder,
                                      const std::string& database) {
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(folder);
    if (!entries.Ok()) return entries.Error();
    data.AddDatabase(database);
    // Ordered by table name, which is not always the order of the file names.
    std::map<std::string, TableSource> sources;
    for (const NamedEntry& entry : entries.Value()) {
        if (IsHidden(entry.name)) continue;
        if (IsDirectory(entry.entry)) {
            sources[entry.name].folder = entry.entry.path();
        } else if (IsJsonFileName(entry.name) && IsRegularFile(entry.entry)) {
            sources[entry.name.substr(0, entry.name.size() - kJsonSuffixSize)].file =
                entry.entry.path();
        }
    }
    for (const auto& [name, source] : sources) {
        const fs::path relative = fs::path(database) / name;
        if (source.file && source.folder) {
            return MakeHostError((folder / name).string(), HostMsg::TableFileAndFolder);
        }
        BundleTable& table = data.AddTable(database, name);
        std::optional<HostError> error = source.file
                                             ? AddRowFile(table, name + kJsonSuffix, *source.file,
                                                          fs::path(database) / (name + kJsonSuffix))
                                             : LoadSplitTable(table, *source.folder, relative);
        if (error) return error;
    }
    return std::nullopt;
}

// Reads an optional host list; a missing or blank file gives an empty text.
HostResult<std::string> ReadOptionalHostFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return std::string();
    HostResult<std::string> text = ReadWholeFile(file);
    if (!text.Ok()) return text;
    StripByteOrderMark(text.Value());
    if (IsBlank(text.Value())) return std::string();
    return text;
}

std::optional<HostError> LoadHostLists(BundleData& data, const fs::path& hostFolder) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(hostFolder, ec))) return std::nullopt;
    HostResult<bool> isFolder = RequireDirectory(hostFolder);
    if (!isFolder.Ok()) return isFolder.Error();

    const fs::path functionsFile = hostFolder / "functions.json";
    HostResult<std::string> functionsText = ReadOptionalHostFile(functionsFile);
    if (!functionsText.Ok()) return functionsText.Error();
    if (!functionsText.Value().empty()) {
        HostResult<FunctionTables> functions =
            ParseFunctionTables(functionsText.Value(), functionsFile.string());
        if (!functions.Ok()) return functions.Error();
        data.SetFunctions(std::move(functions.Value()));
    }

    const fs::path variablesFile = hostFolder / "midVariables.json";
    HostResult<std::string> variablesText = ReadOptionalHostFile(variablesFile);
    if (!variablesText.Ok()) return variablesText.Error();
    if (!variablesText.Value().empty()) {
        HostResult<MidVariableTables> variables =
            ParseMidVariableTables(variablesText.Value(), variablesFile.string());
        if (!variables.Ok()) return variables.Error();
        data.SetMidVariables(std::move(variables.Value()));
    }
    return std::nullopt;
}

}  // namespace

HostResult<std::unique_ptr<BundleData>> BundleData::Load(const fs::path& dir) {
    HostResult<bool> isFolder = RequireDirectory(dir);
    if (!isFolder.Ok()) return isFolder.Error();
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(dir);
    if (!entries.Ok()) return entries.Error();

    auto data = std::make_unique<BundleData>();
    for (const NamedEntry& entry : entries.Value()) {
        // Loose files (the recipe, notes) and hidden folders are not databases.
        if (IsHidden(entry.name) || entry.name == kHostFolder || !IsDirectory(entry.entry)) {
            continue;
        }
        if (auto error = LoadDatabase(*data, entry.entry.path(), entry.name)) return *error;
    }
    if (auto error = LoadHostLists(*data, dir / kHostFolder)) return *error;
    return data;
}

}  // namespace kvhost
