// FuzzHost: splitting a fuzz input into its recipe and sections, and building the host from them.
#include "fuzz/FuzzHost.h"

#include <cstdint>
#include <cstdio>

#include "RapidJsonHelper/JsonArray.h"
#include "host/KnownTables.h"
#include "utilo/JsonBase.h"
#include "utilo/JsonFields.h"

namespace kv::fuzz {
namespace {

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using kv::json::ForEachMember;

constexpr std::string_view kMarker = "@@";

// Every (database, table) the library reads, from the host's own list, in its order.
std::vector<std::pair<std::string_view, std::string_view>> ReadTables() {
    std::vector<std::pair<std::string_view, std::string_view>> tables;
    for (const kv::host::KnownDatabase& database : kv::host::KnownDatabases()) {
        for (const std::string_view table : database.tables)
            tables.emplace_back(database.name, table);
    }
    return tables;
}

uint32_t Fnv1a(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

std::string ExpandDatabase(std::string_view name) {
    if (name == "lc") return "appParameterDataLc";
    if (name == "vm") return "appParameterDataVm";
    if (name == "sys") return "systemParameterDataLc";
    return std::string(name);
}

// The (database, table) a header stands for.
std::pair<std::string, std::string> ResolveTable(std::string_view header) {
    const bool literal = header.starts_with('?');
    if (literal) header.remove_prefix(1);
    const size_t slash = header.find('/');
    std::string database = ExpandDatabase(header.substr(0, slash));
    std::string table(slash == std::string_view::npos ? "" : header.substr(slash + 1));
    if (literal) return {std::move(database), std::move(table)};
    if (const kv::host::KnownDatabase* known = kv::host::FindKnownDatabase(database);
        known != nullptr && kv::host::IsKnownTable(*known, table)) {
        return {std::move(database), std::move(table)};
    }
    static const std::vector<std::pair<std::string_view, std::string_view>> tables = ReadTables();
    const auto& picked = tables[Fnv1a(header) % tables.size()];
    return {std::string(picked.first), std::string(picked.second)};
}

// One entry of the host's function table, as a bundle lists it.
class FunctionRow final : public JsonBase {
public:
    std::string name;
    std::string fullName;
    std::string methodPath;
    int functionNo = 0;
    int devIndex = -1;

    void ToWrite(JsonWriter& writer) const override {
        writer.StartObject();
        writer.EndObject();
    }
    void ParseJson(const JsonValue& value) override {
        ForEachMember(value, [this](std::string_view key, const JsonValue& field) {
            if (key == "name")
                ToParseEvery(field, name);
            else if (key == "fullName")
                ToParseEvery(field, fullName);
            else if (key == "methodPath")
                ToParseEvery(field, methodPath);
            else if (key == "functionNo")
                ToParseEvery(field, functionNo);
            else if (key == "devIndex")
                ToParseEvery(field, devIndex);
        });
    }
};

class MidVariableRow final : public JsonBase {
public:
    std::string fullName;
    std::string sensorPath;
    int devId = -1;

    void ToWrite(JsonWriter& writer) const override {
        writer.StartObject();
        writer.EndObject();
    }
    void ParseJson(const JsonValue& value) override {
        ForEachMember(value, [this](std::string_view key, const JsonValue& field) {
            if (key == "fullName")
                ToParseEvery(field, fullName);
            else if (key == "sensorPath")
                ToParseEvery(field, sensorPath);
            else if (key == "devId")
                ToParseEvery(field, devId);
        });
    }
};

}  // namespace

SplitInput SplitSections(std::string_view input, size_t maxSections) {
    SplitInput split;
    // Where each marker line starts: at the very beginning or after a line feed.
    auto nextMarker = [input](size_t from) {
        if (from == 0 && input.starts_with(kMarker)) return size_t{0};
        const size_t found = input.find(std::string("\n") + std::string(kMarker), from);
        return found == std::string_view::npos ? found : found + 1;
    };
    size_t marker = nextMarker(0);
    split.recipe = std::string(input.substr(0, marker));
    while (marker != std::string_view::npos && split.sections.size() < maxSections) {
        const size_t headerBegin = marker + kMarker.size();
        const size_t headerEnd = input.find('\n', headerBegin);
        Section section;
        section.header = std::string(Trim(input.substr(headerBegin, headerEnd - headerBegin)));
        if (headerEnd == std::string_view::npos) {
            split.sections.push_back(std::move(section));
            break;
        }
        // The line feed before the next marker ends the body, not belongs to it.
        const size_t bodyBegin = headerEnd + 1;
        const size_t next = nextMarker(headerEnd);
        size_t bodyEnd = next == std::string_view::npos ? input.size() : next - 1;
        if (bodyEnd < bodyBegin) bodyEnd = bodyBegin;
        section.body = std::string(input.substr(bodyBegin, bodyEnd - bodyBegin));
        split.sections.push_back(std::move(section));
        marker = next;
    }
    return split;
}

FuzzHost::FuzzHost(std::string_view input) {
    // Enough for every table twice over; more sections would only slow each run down.
    constexpr size_t kMaxSections = 48;
    SplitInput split = SplitSections(input, kMaxSections);
    recipe_ = std::move(split.recipe);
    for (size_t i = 0; i < split.sections.size(); ++i) AddSection(split.sections[i], i);
}

void FuzzHost::AddSection(const Section& section, size_t index) {
    std::string_view header = section.header;
    if (header == "host/functions") return AddFunctions(section.body);
    if (header == "host/midVariables") return AddMidVariables(section.body);
    const bool fresh = header.starts_with('+');
    if (fresh) header.remove_prefix(1);
    const bool valid = !header.ends_with('!');
    if (!valid) header.remove_suffix(1);
    auto name = ResolveTable(header);
    kv::host::BundleTable*& table = current_[name];
    if (table == nullptr || fresh) table = &AddTable(name.first, name.second);
    // Zero-padded section numbers keep the rows in input order.
    char key[16];
    std::snprintf(key, sizeof key, "%04zu", index);
    table->AddRow(key, section.body, valid);
    rows_.push_back(RowCopy{table, key, section.body, valid});
}

void FuzzHost::AddFunctions(const std::string& json) {
    JsonArray<FunctionRow> rows;
    JsonBase::FromJson(&rows, json);
    for (const FunctionRow& row : rows) {
        AddFunction(row.name, row.fullName, row.functionNo, row.devIndex, row.methodPath);
    }
}

void FuzzHost::AddMidVariables(const std::string& json) {
    JsonArray<MidVariableRow> rows;
    JsonBase::FromJson(&rows, json);
    for (const MidVariableRow& row : rows) AddMidVariable(row.fullName, row.devId, row.sensorPath);
}

}  // namespace kv::fuzz
