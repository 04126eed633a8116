// DiagnosticJson: writes records with RapidJSON, every text made valid UTF-8 first.
#include "host/DiagnosticJson.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/writer.h>

#include <map>
#include <string_view>

#include "host/CaretLine.h"
#include "host/HostText.h"
#include "host/StringAppender.h"

namespace kv::host {
namespace {

template <typename Writer>
void Text(Writer& writer, std::string_view text) {
    const std::string valid = ValidUtf8(text);
    writer.String(valid.data(), static_cast<rapidjson::SizeType>(valid.size()));
}

template <typename Writer>
void TextMember(Writer& writer, const char* key, std::string_view text) {
    writer.Key(key);
    Text(writer, text);
}

// A 1-based number, or null for -1 (and 0, which no line or column is).
template <typename Writer>
void NumberMember(Writer& writer, const char* key, int value) {
    writer.Key(key);
    if (value >= 1) {
        writer.Int(value);
    } else {
        writer.Null();
    }
}

const char* Level(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return "error";
        case Severity::Warning:
            return "warning";
        case Severity::Note:
            return "note";
    }
    return "none";
}

// Where a note is: its own place, or the record's when it names no file.
const SourceLocation& NotePlace(const DiagnosticRecord& record, const DiagnosticNote& note) {
    return note.where.file.empty() ? record.where : note.where;
}

template <typename Writer>
void Place(Writer& writer, const SourceLocation& where) {
    TextMember(writer, "file", where.file);
    NumberMember(writer, "line", where.line);
    NumberMember(writer, "column", where.column);
    NumberMember(writer, "endColumn", where.endColumn);
}

// ---- SARIF

constexpr const char* kBaseId = "SRCROOT";

std::string PercentEncoded(std::string_view path, bool keepColon) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || (keepColon && c == ':')) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri;
}

// A path with '/' between its parts; on Windows '\' is a separator too.
std::string ForwardSlashes(std::string path) {
#ifdef _WIN32
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
#endif
    return path;
}

template <typename Writer>
void ArtifactLocation(Writer& writer, const std::string& file) {
    writer.Key("artifactLocation");
    writer.StartObject();
    if (PathFromText(file).is_absolute()) {
        TextMember(writer, "uri", FileUri(file));
    } else {
        TextMember(writer, "uri", PercentEncoded(ForwardSlashes(file), false));
        TextMember(writer, "uriBaseId", kBaseId);
    }
    writer.EndObject();
}

template <typename Writer>
void Region(Writer& writer, const SourceLocation& where, const SourceText* source) {
    if (where.line < 1) return;
    writer.Key("region");
    writer.StartObject();
    writer.Key("startLine");
    writer.Int(where.line);
    // Columns are converted from the line's bytes, so only a line at hand has them.
    if (where.column >= 1 && source != nullptr && where.file == source->Name() &&
        where.line <= source->LineCount()) {
        const std::string_view line = source->Line(where.line);
        // Without a range the region is the character under the caret.
        const int end =
            where.endColumn > where.column ? where.endColumn : NextColumn(line, where.column);
        writer.Key("startColumn");
        writer.Int(Utf16Column(line, where.column));
        writer.Key("endColumn");
        writer.Int(Utf16Column(line, end));
    }
    writer.EndObject();
}

template <typename Writer>
void PhysicalLocation(Writer& writer, const SourceLocation& where, const SourceText* source) {
    writer.Key("physicalLocation");
    writer.StartObject();
    ArtifactLocation(writer, where.file);
    Region(writer, where, source);
    writer.EndObject();
}

template <typename Writer>
void Message(Writer& writer, const std::string& text) {
    writer.Key("message");
    writer.StartObject();
    TextMember(writer, "text", text);
    writer.EndObject();
}

template <typename Writer>
void Rule(Writer& writer, const std::string& id, const SarifRule& rule) {
    writer.StartObject();
    TextMember(writer, "id", id);
    if (!rule.shortDescription.empty()) {
        writer.Key("shortDescription");
        writer.StartObject();
        TextMember(writer, "text", rule.shortDescription);
        writer.EndObject();
    }
    if (!rule.fullDescription.empty()) {
        writer.Key("fullDescription");
        writer.StartObject();
        TextMember(writer, "text", rule.fullDescription);
        writer.EndObject();
    }
    writer.EndObject();
}

template <typename Writer>
void Result(Writer& writer, const DiagnosticRecord& record, const std::string& ruleId,
            int ruleIndex, const SourceText* source) {
    writer.StartObject();
    TextMember(writer, "ruleId", ruleId);
    writer.Key("ruleIndex");
    writer.Int(ruleIndex);
    TextMember(writer, "level", Level(record.severity));
    Message(writer, record.message);
    writer.Key("locations");
    writer.StartArray();
    writer.StartObject();
    PhysicalLocation(writer, record.where, source);
    writer.EndObject();
    writer.EndArray();
    if (!record.notes.empty()) {
        writer.Key("relatedLocations");
        writer.StartArray();
        int id = 1;
        for (const DiagnosticNote& note : record.notes) {
            writer.StartObject();
            writer.Key("id");
            writer.Int(id++);
            PhysicalLocation(writer, NotePlace(record, note), source);
            Message(writer, note.text);
            writer.EndObject();
        }
        writer.EndArray();
    }
    if (!record.details.empty()) {
        writer.Key("properties");
        writer.StartObject();
        writer.Key("details");
        writer.StartArray();
        for (const std::string& detail : record.details) Text(writer, detail);
        writer.EndArray();
        writer.EndObject();
    }
    writer.EndObject();
}

}  // namespace

std::string DiagnosticsToJson(const std::vector<DiagnosticRecord>& records) {
    std::string json = "[";
    for (const DiagnosticRecord& record : records) {
        json += json.size() == 1 ? "\n" : ",\n";
        StringAppender appender{json};
        rapidjson::Writer<StringAppender> writer(appender);
        writer.StartObject();
        Place(writer, record.where);
        NumberMember(writer, "code", record.code);
        TextMember(writer, "level", Level(record.severity));
        TextMember(writer, "message", record.message);
        writer.Key("details");
        writer.StartArray();
        for (const std::string& detail : record.details) Text(writer, detail);
        writer.EndArray();
        writer.Key("notes");
        writer.StartArray();
        for (const DiagnosticNote& note : record.notes) {
            writer.StartObject();
            Place(writer, NotePlace(record, note));
            TextMember(writer, "message", note.text);
            writer.EndObject();
        }
        writer.EndArray();
        writer.EndObject();
    }
    json += records.empty() ? "]\n" : "\n]\n";
    return json;
}

std::string FileUri(const std::string& absolutePath) {
    std::string path = ForwardSlashes(absolutePath);
    // A UNC path names its server where a URI has its authority.
    if (path.rfind("//", 0) == 0) return "file:" + PercentEncoded(path, true);
    if (path.empty() || path.front() != '/') path.insert(0, 1, '/');
    return "file://" + PercentEncoded(path, true);
}

std::string DiagnosticsToSarif(const std::vector<DiagnosticRecord>& records,
                               const SourceText* source, const SarifTool& tool) {
    // Rules in ascending order of code, the tool's own (code 0) after them.
    std::map<int, int> ruleIndex;
    for (const DiagnosticRecord& record : records) ruleIndex.emplace(record.code, 0);
    std::vector<int> ruleCodes;
    for (const auto& entry : ruleIndex) {
        if (entry.first != 0) ruleCodes.push_back(entry.first);
    }
    if (ruleIndex.count(0) != 0) ruleCodes.push_back(0);
    for (std::size_t i = 0; i < ruleCodes.size(); ++i) {
        ruleIndex[ruleCodes[i]] = static_cast<int>(i);
    }
    const auto ruleId = [&tool](int code) { return code == 0 ? tool.name : std::to_string(code); };

    std::string sarif;
    StringAppender appender{sarif};
    rapidjson::PrettyWriter<StringAppender> writer(appender);
    writer.SetIndent(' ', 2);
    writer.StartObject();
    TextMember(writer, "$schema",
               "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/"
               "sarif-schema-2.1.0.json");
    TextMember(writer, "version", "2.1.0");
    writer.Key("runs");
    writer.StartArray();
    writer.StartObject();

    writer.Key("tool");
    writer.StartObject();
    writer.Key("driver");
    writer.StartObject();
    TextMember(writer, "name", tool.name);
    TextMember(writer, "version", tool.version);
    if (!tool.informationUri.empty()) TextMember(writer, "informationUri", tool.informationUri);
    writer.Key("rules");
    writer.StartArray();
    for (const int code : ruleCodes) {
        Rule(writer, ruleId(code), tool.describe ? tool.describe(code) : SarifRule{});
    }
    writer.EndArray();
    writer.EndObject();
    writer.EndObject();

    if (!tool.baseUri.empty()) {
        writer.Key("originalUriBaseIds");
        writer.StartObject();
        writer.Key(kBaseId);
        writer.StartObject();
        TextMember(writer, "uri", tool.baseUri);
        writer.EndObject();
        writer.EndObject();
    }
    TextMember(writer, "columnKind", "utf16CodeUnits");
    writer.Key("results");
    writer.StartArray();
    for (const DiagnosticRecord& record : records) {
        Result(writer, record, ruleId(record.code), ruleIndex[record.code], source);
    }
    writer.EndArray();

    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    sarif += '\n';
    return sarif;
}

}  // namespace kv::host
