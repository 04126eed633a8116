// TimelineTables: tolerant records of the few fields read, over the library's JSON helpers.
#include "host/timeline/TimelineTables.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "IData.h"
#include "KvConst.h"
#include "RapidJsonHelper/JsonArray.h"
#include "RapidJsonHelper/JsonMap.h"
#include "utilo/JsonFields.h"
#include "utilo/NumberText.h"

namespace kv::timeline {
namespace {

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonMap;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using kv::json::ForEachMember;
using kv::json::ReadNested;
using kv::json::ReadString;

// Recipes older than this carry their step markers among the conditions.
constexpr int kActionsLayout[] = {2, 2};
constexpr const char* kDefaultRecipeVersion = "2.0";

// The records take the fields the library's records take, with the same kinds; nothing here
// is written back, so writing gives an empty object.
class ReadOnlyRecord : public JsonBase {
public:
    void ToWrite(JsonWriter& writer) const override {
        writer.StartObject();
        writer.EndObject();
    }
};

class ParameterName : public ReadOnlyRecord {
public:
    std::string name;

    void ParseJson(const JsonValue& value) override {
        ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
            if (key == "name") ReadString(member, name);
        });
    }
};

class ArrayParameter : public ReadOnlyRecord {
public:
    std::string name;
    JsonArray<ParameterName> par;

    void ParseJson(const JsonValue& value) override {
        ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
            if (key == "name")
                ReadString(member, name);
            else if (key == "par")
                ReadNested(member, par);
        });
    }
};

class Descriptor : public ReadOnlyRecord {
public:
    JsonArray<ParameterName> par;
    ArrayParameter arrayPar;

    void ParseJson(const JsonValue& value) override {
        ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
            if (key == "par")
                ReadNested(member, par);
            else if (key == "arrayPar")
                ReadNested(member, arrayPar);
        });
    }
};

// A task entry, of which only the key counts.
class TaskEntry : public ReadOnlyRecord {
public:
    void ParseJson(const JsonValue& /*value*/) override {}
};

// Parses every usable row of every table called name in database into target, which
// accumulates: a later entry replaces an earlier one of the same key.
void ReadTable(IData& data, const std::string& database, const std::string& name,
               JsonBase& target) {
    const auto& databases = data.GetDatabases();
    const auto tables = databases.find(database);
    if (tables == databases.end()) return;
    for (IDataTable* table : tables->second) {
        if (table == nullptr || table->GetName() != name) continue;
        for (const auto& [key, record] : table->GetRecords()) {
            IDataField* field = record != nullptr ? record->GetField() : nullptr;
            if (field != nullptr && field->IsValid())
                JsonBase::FromJson(&target, field->GetString());
        }
    }
}

std::vector<std::string> Names(const JsonArray<ParameterName>& parameters) {
    std::vector<std::string> names;
    for (const ParameterName& parameter : parameters) names.push_back(parameter.name);
    return names;
}

// Compares the dotted numbers of version with the layout's, as far as both go: a piece is its
// leading integer (0 without one), so "2" and "2.2" compare equal and 2.10 is past 2.2.
bool OlderThanActionsLayout(const std::string& version) {
    std::size_t start = 0;
    for (const int reference : kActionsLayout) {
        if (start > version.size()) break;
        std::size_t end = version.find('.', start);
        if (end == std::string::npos) end = version.size();
        const long long piece =
            kv::number::LeadingInteger(version.substr(start, end - start)).value_or(0);
        const long long clamped = std::clamp<long long>(piece, INT_MIN, INT_MAX);
        if (clamped != reference) return clamped < reference;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool FunctionParameters::Fits(std::size_t count) const {
    if (!hasArray) return count == names.size();
    return !arrayNames.empty() && count % arrayNames.size() == 0;
}

const std::string& FunctionParameters::NameOf(std::size_t i) const {
    return hasArray ? arrayNames[i % arrayNames.size()] : names[i];
}

TimelineTables ReadTimelineTables(IData& data) {
    TimelineTables tables;
    JsonMap<std::string> logicTasks;
    ReadTable(data, KvConst::AppParameterDataLc, "logicTaskRelated", logicTasks);
    tables.logicTasks = std::move(logicTasks.entries);

    JsonMap<Descriptor> descriptors;
    ReadTable(data, KvConst::AppParameterDataLc, "functionParasValueDes", descriptors);
    for (const auto& [name, descriptor] : descriptors) {
        FunctionParameters& function = tables.functions[name];
        function.names = Names(descriptor.par);
        function.hasArray = !descriptor.arrayPar.name.empty();
        function.arrayNames = Names(descriptor.arrayPar.par);
    }

    JsonMap<TaskEntry> tasks;
    ReadTable(data, KvConst::AppParameterDataVm, "taskInfo", tasks);
    for (const auto& entry : tasks) tables.tasks.insert(entry.first);

    JsonMap<std::string> appConfig;
    ReadTable(data, KvConst::AppParameterDataLc, "appConfig", appConfig);
    const auto version = appConfig.entries.find(KvConst::RecipeVersion);
    tables.oldLayout = OlderThanActionsLayout(
        version != appConfig.entries.end() ? version->second : kDefaultRecipeVersion);
    return tables;
}

}  // namespace kv::timeline
