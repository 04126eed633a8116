// BundleLoader: fills a BundleData from the folders and JSON files of a bundle directory.
#include <cstddef>
#include <map>
#include <optional>

#include "host/BundleData.h"
#include "host/DeferredJsonChecks.h"
#include "host/FileRead.h"
#include "host/HostText.h"
#include "host/JsonCheck.h"
#include "host/KnownTables.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace fs = std::filesystem;

namespace {

constexpr const char* kHostFolder = "host";
constexpr const char* kFunctionsFile = "functions.json";
constexpr const char* kMidVariablesFile = "midVariables.json";
constexpr const char* kJsonSuffix = ".json";
constexpr std::size_t kJsonSuffixSize = 5;

bool IsHidden(const std::string& name) { return !name.empty() && name[0] == '.'; }

bool IsJsonFileName(const std::string& name) {
    return name.size() > kJsonSuffixSize &&
           name.compare(name.size() - kJsonSuffixSize, kJsonSuffixSize, kJsonSuffix) == 0;
}

// Follows links: a linked folder is a folder.
bool IsDirectory(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_directory(ec);
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Editors on Windows like to start JSON files with a byte-order mark; RapidJSON does not.
// Returns how many bytes it removed, so that offsets can still count from the file's start.
std::size_t StripByteOrderMark(std::string& text) {
    if (text.size() < 3 || text.compare(0, 3, "\xEF\xBB\xBF") != 0) return 0;
    text.erase(0, 3);
    return 3;
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

namespace {

// The text of a bundle JSON file, unchecked; markSize is set to the bytes of byte-order mark
// taken off its start. A blank file gives an empty text.
HostResult<std::string> ReadJsonText(const fs::path& file, std::size_t& markSize) {
    HostResult<std::string> text = ReadWholeFile(file);
    markSize = 0;
    if (!text.Ok()) return text;
    markSize = StripByteOrderMark(text.Value());
    if (IsBlank(text.Value())) return std::string();
    return text;
}

}  // namespace

HostResult<std::string> ReadBundleJson(const fs::path& file) {
    std::size_t markSize = 0;
    HostResult<std::string> text = ReadJsonText(file, markSize);
    if (!text.Ok() || text.Value().empty()) return text;
    if (auto error = CheckJsonText(text.Value(), PathText(file), markSize)) return *error;
    if (!kHostTextIsGbk) return text;
    kv::gbk::Converted host = JsonToHostText(text.Value());
    if (!host.Ok()) {
        return MakeHostError(PathText(file), msg::NotGbkAt,
                             std::to_string(markSize + *host.failedAt));
    }
    return std::move(host.text);
}

namespace {

// A table or row name (a file name, UTF-8) as the library is handed it.
HostResult<std::string> HostName(const std::string& name, const fs::path& file) {
    kv::gbk::Converted host = ToHostText(name);
    if (!host.Ok()) return MakeHostError(PathText(file), msg::NotGbkAt, "0");
    return std::move(host.text);
}

// Reads one row file; an empty (or blank) file is a row whose field is not valid. With
// deferred, a text the host takes as it stands is checked later, from where the row keeps it.
std::optional<HostError> AddRowFile(BundleTable& table, const std::string& key,
                                    const fs::path& file, fs::path relativePath,
                                    DeferredJsonChecks* deferred) {
    const bool later = deferred != nullptr && !kHostTextIsGbk;
    std::size_t markSize = 0;
    HostResult<std::string> text = later ? ReadJsonText(file, markSize) : ReadBundleJson(file);
    if (!text.Ok()) return text.Error();
    const bool valid = !text.Value().empty();
    auto row = std::make_unique<BundleRecord>(std::move(text.Value()), valid,
                                              std::move(relativePath), file);
    // The loader gives every row a key of its own, so no row replaces one whose text is queued.
    if (later && valid) deferred->Add(&row->Field().Text(), PathText(file), markSize);
    table.AddRow(key, std::move(row));
    return std::nullopt;
}

// A folder named like a row or table file was surely meant as one; skipping it would leave
// the table quietly empty.
std::optional<HostError> RefuseJsonNamedFolder(const NamedEntry& entry) {
    if (!IsJsonFileName(entry.name) || !IsDirectory(entry.entry)) return std::nullopt;
    return MakeHostError(PathText(entry.entry.path()), msg::JsonNamedFolder);
}

// Where one table lives: a file held in one row, or a folder of row files.
struct TableSource {
    std::optional<fs::path> file;
    std::optional<fs::path> folder;
};

std::optional<HostError> LoadSplitTable(BundleTable& table, const fs::path& folder,
                                        const fs::path& relativeFolder,
                                        DeferredJsonChecks* deferred) {
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(folder);
    if (!entries.Ok()) return entries.Error();
    for (const NamedEntry& row : entries.Value()) {
        if (IsHidden(row.name) || !IsJsonFileName(row.name)) continue;
        if (auto error = RefuseJsonNamedFolder(row)) return error;
        // Keyed by the whole file name so that the rows walk in file name order. Whatever
        // is not a regular file (a FIFO, a dangling link) is refused by the read.
        HostResult<std::string> key = HostName(row.name, row.entry.path());
        if (!key.Ok()) return key.Error();
        if (auto error = AddRowFile(table, key.Value(), row.entry.path(),
                                    relativeFolder / PathFromText(row.name), deferred)) {
            return error;
        }
    }
    return std::nullopt;
}

void Remark(BundleData& data, BundleRemark::Kind kind, const fs::path& path, std::string text) {
    data.AddRemark({kind, PathText(path), std::move(text)});
}

// A warning that names the nearest name meant, when there is one.
void UnknownNameRemark(BundleData& data, const fs::path& path, const kv::diag::Message<0>& plain,
                       const kv::diag::Message<1>& near, const std::string& nearest) {
    Remark(data, BundleRemark::Kind::Warning, path,
           nearest.empty() ? kv::diag::Text(plain) : kv::diag::Text(near, nearest));
}

// Warns about tables the library does not read, with the likely meant name, and notes the
// tables it reads that the bundle lacks.
void RemarkOnTables(BundleData& data, const fs::path& folder, const std::string& database,
                    const std::map<std::string, TableSource>& sources) {
    const KnownDatabase* known = FindKnownDatabase(database);
    if (known == nullptr) {
        UnknownNameRemark(data, folder, msg::UnknownDatabase, msg::UnknownDatabaseNear,
                          NearestName(database, KnownDatabaseNames()));
        return;
    }
    for (const auto& [name, source] : sources) {
        if (IsKnownTable(*known, name)) continue;
        const std::string suffix = source.file ? kJsonSuffix : "";
        std::string nearest = NearestName(name, known->tables);
        if (!nearest.empty()) nearest += suffix;
        UnknownNameRemark(data, folder / PathFromText(name + suffix), msg::UnknownTable,
                          msg::UnknownTableNear, nearest);
    }
    for (const std::string_view table : known->tables) {
        if (sources.count(std::string(table)) == 0) {
            Remark(data, BundleRemark::Kind::Note, folder / (std::string(table) + kJsonSuffix),
                   kv::diag::Text(msg::TableAbsent));
        }
    }
}

std::optional<HostError> LoadDatabase(BundleData& data, const fs::path& folder,
                                      const std::string& database, DeferredJsonChecks* deferred) {
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(folder);
    if (!entries.Ok()) return entries.Error();
    data.AddDatabase(database);
    // Ordered by table name, which is not always the order of the file names.
    std::map<std::string, TableSource> sources;
    for (const NamedEntry& entry : entries.Value()) {
        if (IsHidden(entry.name)) continue;
        if (auto error = RefuseJsonNamedFolder(entry)) return error;
        if (IsJsonFileName(entry.name)) {
            sources[entry.name.substr(0, entry.name.size() - kJsonSuffixSize)].file =
                entry.entry.path();
        } else if (IsDirectory(entry.entry)) {
            sources[entry.name].folder = entry.entry.path();
        }
    }
    for (const auto& [name, source] : sources) {
        const fs::path relative = PathFromText(database) / PathFromText(name);
        if (source.file && source.folder) {
            return MakeHostError(PathText(folder / PathFromText(name)), msg::TableFileAndFolder);
        }
        HostResult<std::string> hostName =
            HostName(name, source.file ? *source.file : *source.folder);
        if (!hostName.Ok()) return hostName.Error();
        BundleTable& table = data.AddTable(database, hostName.Value());
        std::optional<HostError> error =
            source.file
                ? AddRowFile(table, hostName.Value() + kJsonSuffix, *source.file,
                             PathFromText(database) / PathFromText(name + kJsonSuffix), deferred)
                : LoadSplitTable(table, *source.folder, relative, deferred);
        if (error) return error;
    }
    RemarkOnTables(data, folder, database, sources);
    return std::nullopt;
}

// Without its function table the library finds no function and checks no call, so the table
// is required; [] states that the bundle has none. The variable table may be left out.
std::optional<HostError> LoadHostLists(BundleData& data, const fs::path& hostFolder) {
    const fs::path functionsFile = hostFolder / kFunctionsFile;
    if (Exists(hostFolder)) {
        HostResult<bool> isFolder = RequireDirectory(hostFolder);
        if (!isFolder.Ok()) return isFolder.Error();
    }
    if (!Exists(functionsFile)) {
        return MakeHostError(PathText(functionsFile), msg::FunctionsMissing);
    }
    HostResult<std::string> functionsText = ReadBundleJson(functionsFile);
    if (!functionsText.Ok()) return functionsText.Error();
    if (functionsText.Value().empty()) {
        return MakeHostError(PathText(functionsFile), msg::FunctionsBlank);
    }
    HostResult<FunctionTables> functions =
        ParseFunctionTables(functionsText.Value(), PathText(functionsFile));
    if (!functions.Ok()) return functions.Error();
    data.SetFunctions(std::move(functions.Value()));

    const fs::path variablesFile = hostFolder / kMidVariablesFile;
    if (!Exists(variablesFile)) return std::nullopt;
    HostResult<std::string> variablesText = ReadBundleJson(variablesFile);
    if (!variablesText.Ok()) return variablesText.Error();
    if (variablesText.Value().empty()) return std::nullopt;
    HostResult<MidVariableTables> variables =
        ParseMidVariableTables(variablesText.Value(), PathText(variablesFile));
    if (!variables.Ok()) return variables.Error();
    data.SetMidVariables(std::move(variables.Value()));
    return std::nullopt;
}

// The folders of the bundle that are databases. Fails unless at least one is a database the
// library reads: a folder without any is not a bundle, whatever else it holds.
HostResult<std::vector<NamedEntry>> FindDatabases(const fs::path& dir) {
    HostResult<std::vector<NamedEntry>> entries = ListDirectory(dir);
    if (!entries.Ok()) return entries;
    std::vector<NamedEntry> databases;
    bool anyKnown = false;
    for (NamedEntry& entry : entries.Value()) {
        // Loose files (the recipe, notes) and hidden folders are not databases.
        if (IsHidden(entry.name) || entry.name == kHostFolder) continue;
        if (FindKnownDatabase(entry.name) != nullptr) {
            // A known name that is no folder (a file, a dangling link) is a broken bundle.
            HostResult<bool> isFolder = RequireDirectory(entry.entry.path());
            if (!isFolder.Ok()) return isFolder.Error();
            anyKnown = true;
        } else if (!IsDirectory(entry.entry)) {
            continue;
        }
        databases.push_back(std::move(entry));
    }
    if (!anyKnown) {
        std::string names;
        for (const std::string_view name : KnownDatabaseNames()) {
            if (!names.empty()) names += ", ";
            names += name;
        }
        return MakeHostError(PathText(dir), msg::NotABundle, names);
    }
    return databases;
}

}  // namespace

HostResult<std::unique_ptr<BundleData>> BundleData::Load(const fs::path& dir,
                                                         DeferredJsonChecks* deferred) {
    HostResult<bool> isFolder = RequireDirectory(dir);
    if (!isFolder.Ok()) return isFolder.Error();
    // What makes the folder a bundle is checked before any table is read, so that a wrong
    // folder is named as such rather than by the first odd file in it.
    HostResult<std::vector<NamedEntry>> databases = FindDatabases(dir);
    if (!databases.Ok()) return databases.Error();

    auto data = std::make_unique<BundleData>();
    if (auto error = LoadHostLists(*data, dir / kHostFolder)) return *error;
    for (const NamedEntry& entry : databases.Value()) {
        if (auto error = LoadDatabase(*data, entry.entry.path(), entry.name, deferred)) {
            // A file read before would have failed first; its text is still here to check.
            if (deferred != nullptr) {
                if (auto earlier = deferred->FirstFailure()) return *earlier;
            }
            return *error;
        }
    }
    for (const std::string_view name : KnownDatabaseNames()) {
        if (data->GetDatabases().count(std::string(name)) == 0) {
            Remark(*data, BundleRemark::Kind::Note, dir / name,
                   kv::diag::Text(msg::DatabaseAbsent));
        }
    }
    return data;
}

}  // namespace kv::host
