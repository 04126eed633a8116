// BundleFacts: reading the tables notes need, as tolerantly as the library's records read them.
#include "host/BundleFacts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <unordered_set>
#include <utility>

#include "host/BundleTable.h"
#include "host/HostText.h"
#include "utilo/AsciiCase.h"
#include "utilo/JsonBase.h"
#include "utilo/JsonFields.h"
#include "utilo/NumberText.h"

namespace kv::host {
namespace {

using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using kv::json::ForEachMember;
using kv::json::ReadFloat;
using kv::json::ReadInt;
using kv::json::ReadString;

constexpr std::string_view kLocalDatabase = "appParameterDataLc";

// Hands a row's document to a function, through the library's own parse entry point, so that
// a row the library cannot read (too deep, a NUL byte, no JSON) is not read here either.
class DocumentWalk final : public JsonBase {
public:
    explicit DocumentWalk(std::function<void(const JsonValue&)> take) : take_(std::move(take)) {}
    void ToWrite(JsonWriter&) const override {}
    void ParseJson(const JsonValue& value) override { take_(value); }

private:
    std::function<void(const JsonValue&)> take_;
};

// Hands the row's document to take; nothing for a row that is not valid or not JSON.
void WalkRow(const FactRow& row, const std::function<void(const JsonValue&)>& take) {
    if (!row.valid) return;
    DocumentWalk walk(take);
    JsonBase::FromJson(&walk, row.json);
}

void WalkRows(const std::vector<FactRow>& rows,
              const std::function<void(const JsonValue&, std::size_t)>& take) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        WalkRow(rows[r], [&](const JsonValue& root) { take(root, r); });
    }
}

// An array of strings appends its strings; a map of strings keeps its keys.
void ReadStrings(const JsonValue& value, std::vector<std::string>& out) {
    if (!value.IsArray()) return;
    for (const JsonValue& element : value.GetArray()) {
        if (element.IsString()) out.emplace_back(element.GetString(), element.GetStringLength());
    }
}

void ReadChoices(const JsonValue& value, std::map<std::string, std::string>& out) {
    ForEachMember(value, [&](std::string_view key, const JsonValue& member) {
        if (member.IsString()) ReadString(member, out[std::string(key)]);
    });
}

void ReadParameters(const JsonValue& value, const std::string& path,
                    std::vector<ParameterFacts>& out) {
    if (!value.IsArray()) return;
    for (const JsonValue& element : value.GetArray()) {
        ParameterFacts& parameter = out.emplace_back();
        parameter.path = path + "[" + std::to_string(out.size() - 1) + "]";
        int32_t isEmpty = 0;
        ForEachMember(element, [&](std::string_view key, const JsonValue& member) {
            if (key == "name")
                ReadString(member, parameter.name);
            else if (key == "dataType")
                ReadString(member, parameter.dataType);
            else if (key == "scope")
                ReadStrings(member, parameter.scope);
            else if (key == "select")
                ReadChoices(member, parameter.select);
            else if (key == "isEmpty")
                ReadInt(member, isEmpty);
        });
        parameter.unchecked = isEmpty == 1;
    }
}

std::string Normalized(std::string text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.back())) text.pop_back();
    std::size_t lead = 0;
    while (lead < text.size() && space(text[lead])) ++lead;
    text.erase(0, lead);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return text;
}

}  // namespace

std::string JsonKeyStep(std::string_view key, bool first) {
    bool plain = !key.empty() && !(key.front() >= '0' && key.front() <= '9');
    for (const char c : key) {
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-');
    }
    if (plain) return (first ? "" : ".") + std::string(key);
    std::string step = "[\"";
    for (const char c : key) {
        if (c == '"' || c == '\\') step += '\\';
        step += c;
    }
    return step + "\"]";
}

struct BundleFacts::Named {
    std::vector<std::string> names;         // in table order, each once
    std::unordered_set<std::string> known;  // names and codes
};

BundleFacts::BundleFacts(BundleData& data, std::string bundleName)
    : data_(data), bundleName_(std::move(bundleName)) {}

BundleFacts::~BundleFacts() = default;

const std::vector<FactRow>& BundleFacts::Rows(std::string_view database, std::string_view table) {
    const std::string key = std::string(database) + "/" + std::string(table);
    auto [found, fresh] = rows_.try_emplace(key);
    if (!fresh) return found->second;
    const auto& databases = data_.GetDatabases();
    const auto tables = databases.find(std::string(database));
    if (tables == databases.end()) return found->second;
    for (IDataTable* candidate : tables->second) {
        if (candidate == nullptr || candidate->GetName() != table) continue;
        for (const auto& [rowKey, record] : candidate->GetRecords()) {
            IDataField* field = record != nullptr ? record->GetField() : nullptr;
            FactRow& row = found->second.emplace_back();
            row.valid = field != nullptr && field->IsValid();
            const auto* bundleRecord = dynamic_cast<const BundleRecord*>(record);
            // Diagnostics are about the bundle as loaded, not as the library rewrote it.
            if (row.valid) {
                row.json =
                    JsonFromHostText(bundleRecord != nullptr ? bundleRecord->Field().LoadedText()
                                                             : field->GetString());
            }
            // A table filled in memory has no file of its own: name the one it stands for.
            std::string relative = bundleRecord != nullptr && !bundleRecord->RelativePath().empty()
                                       ? PathText(bundleRecord->RelativePath())
                                       : key + ".json";
            std::replace(relative.begin(), relative.end(), '\\', '/');
            row.file = InBundle(relative);
        }
    }
    return found->second;
}

std::string BundleFacts::TableFile(std::string_view database, std::string_view table) {
    const std::vector<FactRow>& rows = Rows(database, table);
    if (!rows.empty()) return rows.front().file;
    return InBundle(std::string(database) + "/" + std::string(table) + ".json");
}

std::string BundleFacts::InBundle(const std::string& relative) const {
    if (bundleName_.empty() || bundleName_.ends_with('/')) return bundleName_ + relative;
    return bundleName_ + "/" + relative;
}

std::optional<EntryPlace> BundleFacts::FindEntry(std::string_view database, std::string_view table,
                                                 const EntryTest& test) {
    std::optional<EntryPlace> place;
    // Rows after the one that holds the entry are not read.
    for (const FactRow& row : Rows(database, table)) {
        WalkRow(row, [&](const JsonValue& root) {
            if (!root.IsArray()) return;
            for (rapidjson::SizeType i = 0; i < root.Size() && !place; ++i) {
                if (std::optional<std::string> rest = test(root[i])) {
                    place = EntryPlace{row.file, "[" + std::to_string(i) + "]" + *rest};
                }
            }
        });
        if (place) break;
    }
    return place;
}

std::optional<EntryPlace> BundleFacts::FindKeyedEntry(std::string_view database,
                                                      std::string_view table,
                                                      const KeyedEntryTest& test) {
    std::optional<EntryPlace> place;
    for (const FactRow& row : Rows(database, table)) {
        WalkRow(row, [&](const JsonValue& root) {
            ForEachMember(root, [&](std::string_view key, const JsonValue& value) {
                if (place) return;
                if (std::optional<std::string> rest = test(key, value)) {
                    place = EntryPlace{row.file, JsonKeyStep(key, true) + *rest};
                }
            });
        });
        if (place) break;
    }
    return place;
}

const std::vector<FactRow>& BundleFacts::LocalRows(std::string_view table) {
    return Rows(kLocalDatabase, table);
}

void BundleFacts::ReadFunctions() {
    functions_.emplace();
    WalkRows(LocalRows("functionParasValueDes"), [&](const JsonValue& root, std::size_t r) {
        ForEachMember(root, [&](std::string_view name, const JsonValue& value) {
            if (value.IsNull()) return;
            // A descriptor given again replaces the earlier one whole.
            FunctionFacts function;
            function.row = r;
            const std::string path = JsonKeyStep(name, true);
            ForEachMember(value, [&](std::string_view key, const JsonValue& member) {
                if (key == "par") ReadParameters(member, path + ".par", function.parameters);
                if (key != "arrayPar" || member.IsNull()) return;
                ForEachMember(member, [&](std::string_view arrayKey, const JsonValue& inner) {
                    std::string arrayName;
                    if (arrayKey == "name" && inner.IsString()) {
                        ReadString(inner, arrayName);
                        function.grouped = !arrayName.empty();
                    } else if (arrayKey == "par") {
                        ReadParameters(inner, path + ".arrayPar.par", function.group);
                    }
                });
            });
            (*functions_)[std::string(name)] = std::move(function);
        });
    });
}

const std::map<std::string, FunctionFacts, std::less<>>& BundleFacts::Functions() {
    if (!functions_) ReadFunctions();
    return *functions_;
}

const std::map<std::string, VariableFacts, std::less<>>& BundleFacts::Variables() {
    if (!variables_) ReadVariables();
    return *variables_;
}

bool BundleFacts::IsHostFunction(std::string_view name) {
    const kv::gbk::Converted host = ToHostText(name);
    return host.Ok() && data_.GetFunctionTable().count(host.text) != 0;
}

const FunctionFacts* BundleFacts::Function(std::string_view name) {
    if (!functions_) ReadFunctions();
    const auto found = functions_->find(name);
    return found != functions_->end() ? &found->second : nullptr;
}

void BundleFacts::ReadVariables() {
    variables_.emplace();
    WalkRows(LocalRows("variableValueDes"), [&](const JsonValue& root, std::size_t r) {
        ForEachMember(root, [&](std::string_view name, const JsonValue& value) {
            if (value.IsNull()) return;
            VariableFacts variable;
            variable.row = r;
            variable.path = JsonKeyStep(name, true);
            ForEachMember(value, [&](std::string_view key, const JsonValue& member) {
                if (key == "dataType")
                    ReadString(member, variable.dataType);
                else if (key == "scope")
                    ReadStrings(member, variable.scope);
                else if (key == "select")
                    ReadChoices(member, variable.select);
            });
            (*variables_)[std::string(name)] = std::move(variable);
        });
    });
}

const VariableFacts* BundleFacts::Variable(std::string_view name) {
    if (!variables_) ReadVariables();
    const auto found = variables_->find(name);
    return found != variables_->end() ? &found->second : nullptr;
}

void BundleFacts::ReadBusinessTypes() {
    businessTypes_.emplace();
    bool stopped = false;
    WalkRows(LocalRows("bsType"), [&](const JsonValue& root, std::size_t) {
        if (stopped || !root.IsArray()) return;
        for (const JsonValue& entry : root.GetArray()) {
            BusinessType type;
            ForEachMember(entry, [&](std::string_view key, const JsonValue& member) {
                if (key == "name")
                    ReadString(member, type.name);
                else if (key == "nameDesc")
                    ReadString(member, type.nameDesc);
                else if (key == "dataType")
                    ReadString(member, type.dataType);
                else if (key == "unit")
                    ReadString(member, type.unit);
            });
            // The first type of a name stays; one without a data type ends the table's load.
            if (businessTypes_->count(type.name) != 0) continue;
            if (type.dataType.empty()) {
                stopped = true;
                return;
            }
            businessTypes_->emplace(type.name, type);
        }
    });
    for (const auto& [name, type] : *businessTypes_) businessTypeNames_.push_back(name);
}

std::string BundleFacts::UnitTypeOf(std::string_view dataType) {
    if (dataType.empty() || dataType == "number" || dataType == "numerical") return "number";
    if (!businessTypes_) ReadBusinessTypes();
    // The first type in name order that the name, description or unit names.
    for (const auto& [name, type] : *businessTypes_) {
        if (type.name == dataType || type.nameDesc == dataType || type.unit == dataType) {
            return type.unit;
        }
    }
    return "";
}

bool BundleFacts::IsTextType(std::string_view dataType) {
    if (!businessTypes_) ReadBusinessTypes();
    const auto found = businessTypes_->find(dataType);
    return found != businessTypes_->end() && Normalized(found->second.dataType) == "string";
}

bool BundleFacts::IsBusinessType(std::string_view name) {
    if (!businessTypes_) ReadBusinessTypes();
    return businessTypes_->count(name) != 0;
}

const std::vector<UnitFacts>& BundleFacts::Units() {
    if (units_) return *units_;
    units_.emplace();
    WalkRows(LocalRows("unit"), [&](const JsonValue& root, std::size_t) {
        if (!root.IsArray()) return;
        for (const JsonValue& entry : root.GetArray()) {
            UnitFacts& unit = units_->emplace_back();
            ForEachMember(entry, [&](std::string_view key, const JsonValue& member) {
                if (key == "srcename")
                    ReadString(member, unit.name);
                else if (key == "srccname")
                    ReadString(member, unit.chineseName);
                else if (key == "base")
                    ReadString(member, unit.base);
                else if (key == "ratio")
                    ReadFloat(member, unit.ratio);
                else if (key == "offset")
                    ReadFloat(member, unit.offset);
            });
        }
    });
    return *units_;
}

std::optional<double> BundleFacts::NumberOf(const std::string& text) {
    // Made on the first number read: a recipe without errors costs nothing here.
    if (!common_) common_.reset(newCommonMethod());
    std::string copy = text;
    if (!common_->IsNumber(copy) && !common_->IsFloat(copy)) return std::nullopt;
    if (const std::optional<int> integer = kv::number::LeadingInt(copy)) return *integer;
    // Beyond int, or decimal: read in single precision, as the library reads it.
    return static_cast<double>(std::strtof(copy.c_str(), nullptr));
}

double BundleFacts::BoundValue(const std::string& bound) { return NumberOf(bound).value_or(0.0); }

std::optional<float> BundleFacts::ValueIn(const std::string& text, const std::string& unitType) {
    if (const std::optional<double> number = NumberOf(text)) {
        if (!std::isfinite(*number)) return std::nullopt;
        return static_cast<float>(*number);
    }
    if (unitType == "number") {
        const bool standsForValue =
            (!text.empty() && (text.front() == '"' || text.front() == '#')) ||
            kv::text::EqualsInAnyCase(text, "null");
        return standsForValue ? std::optional<float>(0.0f) : std::nullopt;
    }
    // The unit is the longest name that ends the text where it first occurs, after the first
    // byte; the earlier unit wins a tie.
    const UnitFacts* ending = nullptr;
    std::size_t endingLength = 0;
    for (const UnitFacts& unit : Units()) {
        for (const std::string* name : {&unit.name, &unit.chineseName}) {
            if (name->empty() || name->size() >= text.size() || !text.ends_with(*name)) continue;
            if (text.find(*name) != text.size() - name->size()) continue;
            if (name->size() > endingLength) {
                ending = &unit;
                endingLength = name->size();
            }
        }
    }
    if (ending == nullptr || ending->base != unitType) return std::nullopt;
    const std::optional<double> number = NumberOf(text.substr(0, text.size() - endingLength));
    if (!number || !std::isfinite(*number)) return std::nullopt;
    float converted = static_cast<float>(*number);
    if (ending->name != unitType) {
        const float scaled = ending->ratio * converted;
        converted = scaled + ending->offset;
        if (!std::isfinite(converted)) return std::nullopt;
    }
    return converted;
}

const std::vector<std::string>* BundleFacts::CookingParameter(std::string_view name) {
    if (!cooking_) {
        cooking_.emplace();
        WalkRows(LocalRows("par"), [&](const JsonValue& root, std::size_t) {
            ForEachMember(root, [&](std::string_view key, const JsonValue& member) {
                if (member.IsNull()) return;
                std::vector<std::string> values;
                ReadStrings(member, values);
                (*cooking_)[std::string(key)] = std::move(values);
            });
        });
        for (const auto& [key, values] : *cooking_) cookingNames_.push_back(key);
    }
    const auto found = cooking_->find(name);
    return found != cooking_->end() ? &found->second : nullptr;
}

BundleFacts::Named& BundleFacts::ReadNamed(std::unique_ptr<Named>& named, std::string_view table) {
    if (named) return *named;
    named = std::make_unique<Named>();
    WalkRows(LocalRows(table), [&](const JsonValue& root, std::size_t) {
        if (!root.IsArray()) return;
        for (const JsonValue& entry : root.GetArray()) {
            std::string name;
            std::string code;
            ForEachMember(entry, [&](std::string_view key, const JsonValue& member) {
                if (key == "name")
                    ReadString(member, name);
                else if (key == "code")
                    ReadString(member, code);
            });
            if (code.empty() || named->known.count(name) != 0) continue;
            named->known.insert(code);
            named->known.insert(name);
            named->names.push_back(std::move(name));
        }
    });
    return *named;
}

bool BundleFacts::IsIngredient(std::string_view text) {
    return ReadNamed(ingredients_, "ingredient").known.count(std::string(text)) != 0;
}

bool BundleFacts::IsResource(std::string_view text) {
    return ReadNamed(resources_, "resource").known.count(std::string(text)) != 0;
}

NameFinder& BundleFacts::FinderOver(std::unique_ptr<NameFinder>& finder,
                                    const std::vector<std::string>& names) {
    if (!finder)
        finder =
            std::make_unique<NameFinder>(std::vector<std::string_view>(names.begin(), names.end()));
    return *finder;
}

NameFinder& BundleFacts::FunctionNames() {
    if (!functionFinder_) {
        if (!functions_) ReadFunctions();
        // What a recipe can call: the host's functions and the described ones, each once.
        std::set<std::string> names;
        for (const auto& [name, functions] : data_.GetFunctionTable()) {
            names.insert(FromHostText(name));
        }
        for (const auto& [name, function] : *functions_) names.insert(name);
        functionNames_.assign(names.begin(), names.end());
    }
    return FinderOver(functionFinder_, functionNames_);
}

NameFinder& BundleFacts::IngredientNames() {
    return FinderOver(ingredientFinder_, ReadNamed(ingredients_, "ingredient").names);
}

NameFinder& BundleFacts::ResourceNames() {
    return FinderOver(resourceFinder_, ReadNamed(resources_, "resource").names);
}

NameFinder& BundleFacts::CookingParameterNames() {
    CookingParameter("");
    return FinderOver(cookingFinder_, cookingNames_);
}

NameFinder& BundleFacts::BusinessTypeNames() {
    if (!businessTypes_) ReadBusinessTypes();
    return FinderOver(businessTypeFinder_, businessTypeNames_);
}

}  // namespace kv::host
