// BundleEntryNotes: the notes that name the table file and the JSON path behind a data error.
// Each looks for the entry the library stopped at the way the library reads the table: rows
// in order, entries in order, the first that fails the same check.
#include <cmath>
#include <string>

#include "host/BundleAnnotator.h"
#include "host/NoteMessages.h"
#include "utilo/AsciiCase.h"
#include "utilo/JsonFields.h"

namespace kv::host {
namespace note = kv::diag::note;
using Brisk::RapidJsonHelper::JsonValue;
using kv::diag::Text;

namespace {

constexpr std::string_view kLocal = "appParameterDataLc";
constexpr std::string_view kVm = "appParameterDataVm";

// The last string given for key, as a record reads it; empty when none is.
std::string StringField(const JsonValue& entry, std::string_view key) {
    std::string value;
    kv::json::ForEachMember(entry, [&](std::string_view name, const JsonValue& member) {
        if (name == key) kv::json::ReadString(member, value);
    });
    return value;
}

// The last integer (fitting 32 bits) given for key, as a record reads it.
std::optional<int> IntField(const JsonValue& entry, std::string_view key) {
    std::optional<int> value;
    kv::json::ForEachMember(entry, [&](std::string_view name, const JsonValue& member) {
        if (name == key && member.IsInt()) value = member.GetInt();
    });
    return value;
}

bool HasInt(const JsonValue& entry, std::string_view key) {
    return IntField(entry, key).has_value();
}

// Whether a record would take a float for key.
bool HasFloat(const JsonValue& entry, std::string_view key) {
    bool given = false;
    kv::json::ForEachMember(entry, [&](std::string_view name, const JsonValue& member) {
        given = given || (name == key && member.IsNumber() &&
                          std::isfinite(static_cast<float>(member.GetDouble())));
    });
    return given;
}

bool IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The entry of that name whose field holds no text.
EntryTest EmptyField(std::string name, std::string field) {
    return [name = std::move(name), field = std::move(field)](const JsonValue& entry) {
        return StringField(entry, "name") == name && StringField(entry, field).empty()
                   ? std::optional<std::string>("." + field)
                   : std::nullopt;
    };
}

// The logic entry of that number, at its first ingredient whose field is empty.
EntryTest EmptyMaterialField(std::string logicNo, std::string field) {
    return [logicNo = std::move(logicNo), field = std::move(field)](const JsonValue& entry) {
        std::optional<std::string> found;
        const std::optional<int> number = IntField(entry, "logicNo");
        if (!number || std::to_string(*number) != logicNo) return found;
        kv::json::ForEachMember(entry, [&](std::string_view name, const JsonValue& member) {
            if (found || name != "materialList" || !member.IsArray()) return;
            for (rapidjson::SizeType j = 0; j < member.Size() && !found; ++j) {
                if (StringField(member[j], field).empty()) {
                    found = ".materialList[" + std::to_string(j) + "]." + field;
                }
            }
        });
        return found;
    };
}

}  // namespace

void BundleAnnotator::NoteEntry(Site& site, const std::optional<EntryPlace>& place) {
    if (place) site.NoteAt(place->file, Text(note::EntryAt, place->path));
}

void BundleAnnotator::NoteScopeInvalid(Site& site) {
    if (site.call == nullptr) return;
    const FunctionFacts* function = facts_.Function(site.Text(site.call->name));
    if (function == nullptr) return;
    const std::string name = site.Slot(0);
    for (const auto* list : {&function->parameters, &function->group}) {
        for (const ParameterFacts& parameter : *list) {
            const std::size_t bounds = parameter.scope.size();
            if (parameter.name != name || bounds == 0 || bounds == 2) continue;
            const auto& rows = facts_.LocalRows("functionParasValueDes");
            NoteEntry(site, EntryPlace{rows.at(function->row).file, parameter.path + ".scope"});
            return;
        }
    }
}

void BundleAnnotator::NoteVariableScopeInvalid(Site& site) {
    if (site.statement == nullptr) return;
    const VariableFacts* variable = facts_.Variable(site.Text(site.statement->name));
    if (variable == nullptr) return;
    const auto& rows = facts_.LocalRows("variableValueDes");
    NoteEntry(site, EntryPlace{rows.at(variable->row).file, variable->path + ".scope"});
}

void BundleAnnotator::NoteUnknownBusinessType(Site& site) {
    const std::string type = site.Slot(0);
    const auto& rows = facts_.LocalRows("functionParasValueDes");
    for (const auto& [name, function] : facts_.Functions()) {
        for (const auto* list : {&function.parameters, &function.group}) {
            for (const ParameterFacts& parameter : *list) {
                if (parameter.dataType != type) continue;
                const std::string file = rows.at(function.row).file;
                const std::string path = parameter.path + ".dataType";
                const auto& near = facts_.BusinessTypeNames().Nearest(type);
                std::vector<std::string> names(near.begin(), near.end());
                site.NoteAt(file, names.empty()
                                      ? Text(note::EntryAt, path)
                                      : Text(note::EntryAtNear, path, NameChoices(names)));
                return;
            }
        }
    }
}

void BundleAnnotator::NoteScopesReversed(Site& site) {
    // Which descriptor was being checked is not said, so every reversed range is named.
    const auto reversed = [&](const std::vector<std::string>& scope) {
        return scope.size() == 2 && !kv::text::EqualsInAnyCase(scope[1], "inf") &&
               facts_.BoundValue(scope[0]) > facts_.BoundValue(scope[1]);
    };
    const auto& functionRows = facts_.LocalRows("functionParasValueDes");
    for (const auto& [name, function] : facts_.Functions()) {
        for (const auto* list : {&function.parameters, &function.group}) {
            for (const ParameterFacts& parameter : *list) {
                if (!reversed(parameter.scope)) continue;
                site.NoteAt(functionRows.at(function.row).file,
                            Text(note::ScopeReversed, parameter.path + ".scope"));
            }
        }
    }
    const auto& variableRows = facts_.LocalRows("variableValueDes");
    for (const auto& [name, variable] : facts_.Variables()) {
        if (!reversed(variable.scope)) continue;
        site.NoteAt(variableRows.at(variable.row).file,
                    Text(note::ScopeReversed, variable.path + ".scope"));
    }
}

void BundleAnnotator::NoteParameterNameEmpty(Site& site) {
    if (site.call == nullptr) return;
    const FunctionFacts* function = facts_.Function(site.Text(site.call->name));
    const std::size_t position = std::strtoul(site.Slot(0).c_str(), nullptr, 10);
    if (function == nullptr || position == 0 || position > function->parameters.size()) return;
    const auto& rows = facts_.LocalRows("functionParasValueDes");
    NoteEntry(site, EntryPlace{rows.at(function->row).file,
                               function->parameters[position - 1].path + ".name"});
}

void BundleAnnotator::NoteParameterNameMissing(Site& site) {
    const FunctionFacts* function = facts_.Function(site.Slot(0));
    if (function == nullptr) return;
    // An array parameter's elements are checked only when it has a name.
    for (const auto* list : {&function->parameters, &function->group}) {
        if (list == &function->group && !function->grouped) break;
        for (const ParameterFacts& parameter : *list) {
            if (!parameter.name.empty()) continue;
            const auto& rows = facts_.LocalRows("functionParasValueDes");
            NoteEntry(site, EntryPlace{rows.at(function->row).file, parameter.path + ".name"});
            return;
        }
    }
}

void BundleAnnotator::NoteLogicNoWithoutTask(Site& site) {
    const std::string logicNo = site.Slot(0);
    site.NoteAt(facts_.TableFile(kLocal, "logicTaskRelated"), Text(note::NoEntry, logicNo));
    // A logic number is a recipe line: show the line that needs a task.
    const long line = std::strtol(logicNo.c_str(), nullptr, 10);
    if (line >= 1 && line <= source_.LineCount() && std::to_string(line) == logicNo) {
        site.NoteAt(source_.Name(), Text(note::LogicLine, logicNo), static_cast<int>(line));
    }
}

void BundleAnnotator::NoteLogicNoTaskIdEmpty(Site& site) {
    const std::string logicNo = site.Slot(0);
    NoteEntry(site,
              facts_.FindKeyedEntry(
                  kLocal, "logicTaskRelated", [&](std::string_view key, const JsonValue& value) {
                      const bool empty = value.IsString() && value.GetStringLength() == 0;
                      return key == logicNo && empty ? std::optional<std::string>("")
                                                     : std::nullopt;
                  }));
}

void BundleAnnotator::NoteIngredientIdMissing(Site& site) {
    const std::string material = site.Slot(0);
    const std::optional<EntryPlace> place =
        facts_.FindEntry(kLocal, "logicInfo", [&](const JsonValue& entry) {
            std::optional<std::string> found;
            kv::json::ForEachMember(entry, [&](std::string_view name, const JsonValue& member) {
                if (found || name != "materialList" || !member.IsArray()) return;
                for (rapidjson::SizeType j = 0; j < member.Size() && !found; ++j) {
                    if (StringField(member[j], "name") == material) {
                        found = ".materialList[" + std::to_string(j) + "].name";
                    }
                }
            });
            return found;
        });
    if (!place) return;
    const auto& near = facts_.IngredientNames().Nearest(material);
    std::vector<std::string> names(near.begin(), near.end());
    site.NoteAt(place->file, names.empty()
                                 ? Text(note::EntryAt, place->path)
                                 : Text(note::EntryAtNear, place->path, NameChoices(names)));
}

void BundleAnnotator::NoteRowInvalid(Site& site) {
    const std::string table = site.Slot(0);
    for (const std::string_view database :
         {kLocal, kVm, std::string_view("systemParameterDataLc")}) {
        for (const FactRow& row : facts_.Rows(database, table)) {
            if (row.valid) continue;
            site.NoteAt(row.file, Text(note::EmptyRow));
            return;
        }
    }
}

void BundleAnnotator::NoteResourceIdEmpty(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "resource", EmptyField(site.Slot(0), "code")));
}

void BundleAnnotator::NoteBusinessTypeDataTypeEmpty(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "bsType", EmptyField(site.Slot(0), "dataType")));
}

void BundleAnnotator::NoteUnitNameAllDigits(Site& site) {
    const std::string name = site.Slot(0);
    NoteEntry(site, facts_.FindEntry(kLocal, "unit", [&](const JsonValue& entry) {
        if (StringField(entry, "srcename") != name) return std::optional<std::string>();
        if (IsDigits(name)) return std::optional<std::string>(".srcename");
        if (IsDigits(StringField(entry, "srccname")))
            return std::optional<std::string>(".srccname");
        return std::optional<std::string>();
    }));
}

void BundleAnnotator::NoteMaterialIdMissing(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "ingredient", EmptyField(site.Slot(0), "code")));
}

void BundleAnnotator::NoteUnitOffsetMissing(Site& site) {
    const std::string name = site.Slot(0);
    NoteEntry(site, facts_.FindEntry(kLocal, "unit", [&](const JsonValue& entry) {
        return StringField(entry, "srcename") == name && !HasFloat(entry, "offset")
                   ? std::optional<std::string>(".offset")
                   : std::nullopt;
    }));
}

void BundleAnnotator::NoteUnitRatioMissing(Site& site) {
    const std::string name = site.Slot(0);
    NoteEntry(site, facts_.FindEntry(kLocal, "unit", [&](const JsonValue& entry) {
        return StringField(entry, "srcename") == name && HasFloat(entry, "offset") &&
                       !HasFloat(entry, "ratio")
                   ? std::optional<std::string>(".ratio")
                   : std::nullopt;
    }));
}

void BundleAnnotator::NoteLogicNoMissing(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "logicInfo", [](const JsonValue& entry) {
        return !HasInt(entry, "logicNo") ? std::optional<std::string>(".logicNo") : std::nullopt;
    }));
}

void BundleAnnotator::NoteVisibleStepMissing(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "logicInfo", [](const JsonValue& entry) {
        return HasInt(entry, "logicNo") && !HasInt(entry, "visibleStep")
                   ? std::optional<std::string>(".visibleStep")
                   : std::nullopt;
    }));
}

void BundleAnnotator::NoteVisibleIdMissing(Site& site) {
    NoteEntry(site, facts_.FindEntry(kLocal, "logicInfo", [](const JsonValue& entry) {
        return HasInt(entry, "logicNo") && HasInt(entry, "visibleStep") &&
                       !HasInt(entry, "visibleId")
                   ? std::optional<std::string>(".visibleId")
                   : std::nullopt;
    }));
}

void BundleAnnotator::NoteLogicMaterialNameMissing(Site& site) {
    NoteEntry(site,
              facts_.FindEntry(kLocal, "logicInfo", EmptyMaterialField(site.Slot(0), "name")));
}

void BundleAnnotator::NoteLogicMaterialQuantityMissing(Site& site) {
    NoteEntry(site,
              facts_.FindEntry(kLocal, "logicInfo", EmptyMaterialField(site.Slot(0), "quantity")));
}

void BundleAnnotator::NoteVariableKey(Site& site) {
    const std::string key = site.Slot(0);
    NoteEntry(site, facts_.FindEntry(kVm, "appVariable", [&](const JsonValue& entry) {
        return StringField(entry, "appKey") == key ? std::optional<std::string>(".appKey")
                                                   : std::nullopt;
    }));
}

void BundleAnnotator::NoteTaskStepCountMissing(Site& site) {
    const std::string task = site.Slot(0);
    NoteEntry(site, facts_.FindKeyedEntry(kVm, "taskInfo",
                                          [&](std::string_view key, const JsonValue& value) {
                                              return key == task && !HasInt(value, "stepCount")
                                                         ? std::optional<std::string>(".stepCount")
                                                         : std::nullopt;
                                          }));
}

}  // namespace kv::host
