// BundleIndex: reads the bundle's rows into the editor's lookups, with each entry's line.
#include "tools/kvc/lsp/BundleIndex.h"

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cstdio>

#include "host/BundleData.h"
#include "host/BundleTable.h"
#include "host/HostText.h"

namespace kv::lsp {
namespace fs = std::filesystem;
using rapidjson::Value;

namespace {

constexpr std::string_view kDescriptionDatabase = "appParameterDataLc";

// The lines of the members and elements of a document's top level, from a second, SAX walk
// (the DOM keeps no positions).
struct TopLevelLines {
    std::map<std::string, int> keys;  // the last member of a name, as a later one replaces
    std::vector<int> elements;
};

class LineHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, LineHandler> {
public:
    LineHandler(const rapidjson::StringStream& stream, const std::string& text, bool array,
                TopLevelLines& lines)
        : stream_(stream), text_(text), array_(array), lines_(lines) {}

    bool Default() {
        Element();
        return true;
    }
    bool StartObject() { return Open(); }
    bool StartArray() { return Open(); }
    bool EndObject(rapidjson::SizeType) { return Close(); }
    bool EndArray(rapidjson::SizeType) { return Close(); }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        if (depth_ == 1) lines_.keys[std::string(text, length)] = LineAt(stream_.Tell());
        return true;
    }

private:
    bool Open() {
        Element();
        ++depth_;
        return true;
    }
    bool Close() {
        --depth_;
        return true;
    }
    // A value directly inside a top-level array is an element; inside an object, a member's
    // value, whose line the key gave.
    void Element() {
        if (depth_ == 1 && array_) lines_.elements.push_back(LineAt(stream_.Tell()));
    }
    int LineAt(std::size_t offset) const {
        offset = std::min(offset, text_.size());
        return 1 + static_cast<int>(
                       std::count(text_.begin(), text_.begin() + static_cast<long>(offset), '\n'));
    }

    const rapidjson::StringStream& stream_;
    const std::string& text_;
    bool array_;  // the document is an array, whose elements are counted
    TopLevelLines& lines_;
    int depth_ = 0;
};

TopLevelLines LinesOf(const std::string& text) {
    TopLevelLines lines;
    rapidjson::StringStream stream(text.c_str());
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    LineHandler handler(stream, text, first != std::string::npos && text[first] == '[', lines);
    rapidjson::Reader reader;
    reader.Parse(stream, handler);
    return lines;
}

std::string Text(const Value& object, const char* key) {
    if (!object.IsObject()) return {};
    const auto member = object.FindMember(key);
    if (member == object.MemberEnd() || !member->value.IsString()) return {};
    return std::string(member->value.GetString(), member->value.GetStringLength());
}

// A text of a list: a string as it is, a number as JSON writes it.
std::optional<std::string> ListText(const Value& value) {
    if (value.IsString()) return std::string(value.GetString(), value.GetStringLength());
    if (value.IsInt64()) return std::to_string(value.GetInt64());
    if (value.IsNumber()) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", value.GetDouble());
        return std::string(buffer);
    }
    return std::nullopt;
}

std::vector<std::string> Texts(const Value& list) {
    std::vector<std::string> texts;
    if (!list.IsArray()) return texts;
    for (const Value& item : list.GetArray()) {
        if (auto text = ListText(item)) texts.push_back(std::move(*text));
    }
    return texts;
}

std::vector<std::string> TextsOf(const Value& object, const char* key) {
    if (!object.IsObject()) return {};
    const auto member = object.FindMember(key);
    return member == object.MemberEnd() ? std::vector<std::string>() : Texts(member->value);
}

std::vector<std::pair<std::string, std::string>> Choices(const Value& object) {
    std::map<std::string, std::string> choices;
    if (object.IsObject()) {
        const auto member = object.FindMember("select");
        if (member != object.MemberEnd() && member->value.IsObject()) {
            for (const auto& choice : member->value.GetObject()) {
                if (auto text = ListText(choice.value)) {
                    choices[std::string(choice.name.GetString(), choice.name.GetStringLength())] =
                        std::move(*text);
                }
            }
        }
    }
    return {choices.begin(), choices.end()};
}

std::vector<ParameterInfo> Parameters(const Value& object) {
    std::vector<ParameterInfo> parameters;
    if (!object.IsObject()) return parameters;
    const auto list = object.FindMember("par");
    if (list == object.MemberEnd() || !list->value.IsArray()) return parameters;
    for (const Value& item : list->value.GetArray()) {
        ParameterInfo p;
        p.name = Text(item, "name");
        p.dataType = Text(item, "dataType");
        p.scope = TextsOf(item, "scope");
        p.select = Choices(item);
        if (item.IsObject()) {
            const auto empty = item.FindMember("isEmpty");
            p.unchecked =
                empty != item.MemberEnd() && empty->value.IsInt() && empty->value.GetInt() == 1;
        }
        parameters.push_back(std::move(p));
    }
    return parameters;
}

double Number(const Value& object, const char* key, double fallback) {
    if (!object.IsObject()) return fallback;
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() && member->value.IsNumber() ? member->value.GetDouble()
                                                                    : fallback;
}

// One row of the description database, parsed, with its lines and its file.
struct Row {
    const rapidjson::Document& json;
    const TopLevelLines& lines;
    const fs::path& file;

    TablePlace KeyPlace(const std::string& key) const {
        const auto it = lines.keys.find(key);
        return {file, it == lines.keys.end() ? 1 : it->second};
    }
    TablePlace ElementPlace(std::size_t index) const {
        return {file, index < lines.elements.size() ? lines.elements[index] : 1};
    }
};

void AddCodedNames(const Row& row, CodedNames& names, bool typed) {
    if (!row.json.IsArray()) return;
    std::size_t index = 0;
    for (const Value& item : row.json.GetArray()) {
        CodedName entry{Text(item, "name"), Text(item, "code"), typed ? Text(item, "type") : "",
                        row.ElementPlace(index++)};
        if (entry.code.empty() || names.byName.count(entry.name) != 0) continue;
        names.byName.emplace(entry.name, names.list.size());
        names.byCode.emplace(entry.code, names.list.size());
        names.list.push_back(std::move(entry));
    }
}

const CodedName* Find(const CodedNames& names, std::string_view text) {
    if (const auto it = names.byName.find(text); it != names.byName.end()) {
        return &names.list[it->second];
    }
    const auto it = names.byCode.find(text);
    return it == names.byCode.end() ? nullptr : &names.list[it->second];
}

}  // namespace

const ParameterInfo* FunctionInfo::ParameterAt(std::size_t index) const {
    if (parameters.empty()) return nullptr;
    if (grouped) return &parameters[index % parameters.size()];
    return index < parameters.size() ? &parameters[index] : nullptr;
}

bool IsNumberText(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == digits) return false;
    if (at == text.size()) return true;
    if (text[at] != '.') return false;
    const std::size_t fraction = ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at > fraction && at == text.size();
}

BundleIndex BundleIndex::Build(kv::host::BundleData& data, const fs::path& dir) {
    BundleIndex index;
    for (const auto& [name, functions] : data.GetFunctionTable()) {
        if (!functions.empty()) index.callable_.push_back(kv::host::FromHostText(name));
    }
    const auto database = data.GetDatabases().find(std::string(kDescriptionDatabase));
    if (database == data.GetDatabases().end()) return index;
    for (IDataTable* table : database->second) {
        // The store holds only its own tables.
        const auto& rows = static_cast<kv::host::BundleTable*>(table)->Rows();
        const std::string tableName = kv::host::FromHostText(table->GetName());
        for (const auto& [key, record] : rows) {
            if (!record->GetField()->IsValid()) continue;
            const std::string text = kv::host::JsonFromHostText(record->Field().Text());
            rapidjson::Document json;
            if (json.Parse(text.c_str(), text.size()).HasParseError()) continue;
            const TopLevelLines lines = LinesOf(text);
            const fs::path file = dir / record->RelativePath();
            const Row row{json, lines, file};
            if (tableName == "functionParasValueDes" && json.IsObject()) {
                for (const auto& member : json.GetObject()) {
                    FunctionInfo f;
                    f.name.assign(member.name.GetString(), member.name.GetStringLength());
                    f.englishName = Text(member.value, "functionEName");
                    f.parameters = Parameters(member.value);
                    if (member.value.IsObject()) {
                        const auto array = member.value.FindMember("arrayPar");
                        if (array != member.value.MemberEnd() &&
                            !Text(array->value, "name").empty()) {
                            f.grouped = true;
                            f.parameters = Parameters(array->value);
                        }
                    }
                    f.place = row.KeyPlace(f.name);
                    index.functions_[f.name] = std::move(f);
                }
            } else if (tableName == "bsType" && json.IsArray()) {
                for (const Value& item : json.GetArray()) {
                    BusinessType type{Text(item, "name"), Text(item, "nameDesc"),
                                      Text(item, "dataType"), Text(item, "unit")};
                    index.businessTypes_.emplace(type.name, type);
                }
            } else if (tableName == "unit" && json.IsArray()) {
                for (const Value& item : json.GetArray()) {
                    index.units_.push_back({Text(item, "srcename"), Text(item, "srccname"),
                                            Text(item, "base"), Number(item, "ratio", 1),
                                            Number(item, "offset", 0)});
                }
            } else if (tableName == "ingredient") {
                AddCodedNames(row, index.ingredients_, false);
            } else if (tableName == "resource") {
                AddCodedNames(row, index.resources_, true);
            } else if (tableName == "par" && json.IsObject()) {
                for (const auto& member : json.GetObject()) {
                    CookingParameter p;
                    p.name.assign(member.name.GetString(), member.name.GetStringLength());
                    p.values = Texts(member.value);
                    p.place = row.KeyPlace(p.name);
                    index.cooking_[p.name] = std::move(p);
                }
            } else if (tableName == "variableValueDes" && json.IsObject()) {
                for (const auto& member : json.GetObject()) {
                    VariableInfo v;
                    v.name.assign(member.name.GetString(), member.name.GetStringLength());
                    v.dataType = Text(member.value, "dataType");
                    v.scope = TextsOf(member.value, "scope");
                    v.select = Choices(member.value);
                    v.place = row.KeyPlace(v.name);
                    index.variables_[v.name] = std::move(v);
                }
            } else if (tableName == "logicTaskRelated" && json.IsObject()) {
                for (const auto& member : json.GetObject()) {
                    if (member.value.IsString()) {
                        index.lineTasks_[member.name.GetString()] = member.value.GetString();
                    }
                }
            }
        }
    }
    return index;
}

const FunctionInfo* BundleIndex::FindFunction(std::string_view name) const {
    const auto it = functions_.find(name);
    return it == functions_.end() ? nullptr : &it->second;
}

const BusinessType* BundleIndex::FindBusinessType(std::string_view name) const {
    const auto it = businessTypes_.find(name);
    return it == businessTypes_.end() ? nullptr : &it->second;
}

std::string BundleIndex::BaseUnit(std::string_view typeName) const {
    for (const auto& [name, type] : businessTypes_) {
        if (type.name == typeName || type.description == typeName || type.unit == typeName) {
            return type.unit;
        }
    }
    return {};
}

std::string BundleIndex::UnitTypeOf(const ParameterInfo& p) const {
    if (p.dataType.empty() || p.dataType == "number" || p.dataType == "numerical") {
        return "number";
    }
    return BaseUnit(p.dataType);
}

std::optional<UnitMatch> BundleIndex::FindUnit(std::string_view text) const {
    std::optional<UnitMatch> best;
    for (const UnitInfo& unit : units_) {
        for (const std::string* name : {&unit.name, &unit.secondName}) {
            if (name->empty()) continue;
            const std::size_t at = text.find(*name);
            if (at == std::string_view::npos || at == 0) continue;
            // The first name that occurs decides for the unit, whether or not it ends the text.
            if (at + name->size() == text.size() && (!best || name->size() > best->name.size())) {
                best = UnitMatch{&unit, at, *name};
            }
            break;
        }
    }
    return best;
}

const CodedName* BundleIndex::FindIngredient(std::string_view text) const {
    return Find(ingredients_, text);
}

const CodedName* BundleIndex::FindResource(std::string_view text) const {
    return Find(resources_, text);
}

const CookingParameter* BundleIndex::FindCookingParameter(std::string_view name) const {
    const auto it = cooking_.find(name);
    return it == cooking_.end() ? nullptr : &it->second;
}

const VariableInfo* BundleIndex::FindVariable(std::string_view name) const {
    const auto it = variables_.find(name);
    return it == variables_.end() ? nullptr : &it->second;
}

std::string BundleIndex::TaskOfLine(int line) const {
    const auto it = lineTasks_.find(std::to_string(line));
    return it == lineTasks_.end() ? std::string() : it->second;
}

}  // namespace kv::lsp
