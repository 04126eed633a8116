// KvData: construction, accessors, and loading the application tables from the host.
#include "data/KvData.h"

#include <climits>
#include <utility>

#include "KvConst.h"
#include "data/DataMessages.h"
#include "data/RowReader.h"
#include "utilo/CachePrefetch.h"

namespace msg = kv::diag::data;
using kv::diag::NoLine;
using kv::diag::Report;

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonMap;
using kv::rows::ForEachRow;

namespace {

// Parses every row into target, so that split tables accumulate; false at an unusable row.
bool ParseEveryRow(IData* host, IDataTable* table, JsonBase& target) {
    return ForEachRow(host, table, [&target](const std::string& text) {
        // Text that is not JSON adds nothing, and that is all it does.
        JsonBase::FromJson(&target, text);
        return true;
    });
}

// Moves every entry of a row's map into the accumulated one, replacing equal keys.
template <typename T>
void MergeRow(JsonMap<T>& rowEntries, JsonMap<T>& accumulated) {
    for (auto& [key, value] : rowEntries.entries) {
        accumulated.entries.insert_or_assign(key, std::move(value));
    }
}

}  // namespace

KvData::KvData(IData* host)
    : data(host), commonMethod(newCommonMethod()), typeConvert(newTypeConvert()) {
    LoadKvData(host);
    if (vmAppFileType == 0) makeVmAppVar(host);
}

KvData::~KvData() {
    commonMethod.reset();
    typeConvert.reset();
}

const std::map<std::string, std::string>& KvData::GetAppConfig() const {
    return appConfig.entries;
}
JsonMap<CFunctionParasValueDes>& KvData::GetFunParValueDes() { return funParValueDes; }
const std::pair<const std::string, CFunctionParasValueDes>* KvData::FindFunParValueDes(
    std::string_view name) const {
    return funParValueDesIndex_.Find(funParValueDes.entries, name);
}
JsonMap<CVarValueDes>& KvData::GetVarValueDes() { return varValueDes; }
std::map<std::string, std::string>& KvData::GetMaterial() { return ingredient; }

const std::pair<const std::string, std::string>* KvData::FindMaterial(std::string_view name) const {
    return ingredientIndex_.Find(ingredient, name);
}

void KvData::PrefetchMaterialsAfter(int logicNo) const {
    // A lookup of a line's ingredients waits for a chain of four memories: the line's logic
    // entry, its list of ingredients, the index slot of each name and the table entry the slot
    // names. Each line starts bringing in one link of the chain for a line further ahead, and
    // reads only links an earlier line brought in, so that no prefetch waits itself.
    const auto logicAt = [this, logicNo](int ahead) {
        return logicNo <= INT_MAX - ahead ? FindLogicInfo(logicNo + ahead) : nullptr;
    };
    if (const auto* logic = logicAt(4)) kv::cache::Prefetch(&logic->second.materialList.items);
    if (const auto* logic = logicAt(3)) {
        for (const CMaterialQuantity& material : logic->second.materialList) {
            kv::cache::Prefetch(&material.name);
        }
    }
    const auto prefetchIndex = [&](int ahead, bool entries) {
        if (const auto* logic = logicAt(ahead)) {
            for (const CMaterialQuantity& material : logic->second.materialList) {
                ingredientIndex_.Prefetch(ingredient, material.name, entries);
            }
        }
    };
    prefetchIndex(2, false);
    prefetchIndex(1, true);
}

const std::pair<const std::string, JsonArray<std::string>>* KvData::FindCookPar(
    std::string_view name) const {
    return cookParIndex_.Find(cookPar.entries, name);
}
const std::pair<const std::string, std::string>* KvData::FindLogicTask(int logicNo) const {
    return logicTaskIndex_.Find(logicTaskRelated.entries, logicNo);
}

std::map<std::string, std::string>& KvData::GetResource() { return resource; }
std::map<std::string, CBsType>& KvData::GetBsType() { return bsType; }
const std::pair<const std::string, CBsType>* KvData::FindBsType(std::string_view name) const {
    return bsTypeIndex_.Find(bsType, name);
}
const std::pair<const std::string, std::vector<ICFunction*>>* KvData::FindHostFunctions(
    std::string_view name) const {
    return data != nullptr ? hostFunctionIndex_.Find(data->GetFunctionTable(), name) : nullptr;
}
JsonArray<CUnit>& KvData::GetUnit() { return unit; }
JsonArray<COral>& KvData::GetOral() { return oral; }
JsonMap<JsonArray<std::string>>& KvData::GetCookPar() { return cookPar; }
std::map<std::string, std::string>& KvData::GetLogicTaskRelated() {
    return logicTaskRelated.entries;
}
const std::map<int, CLogicInfo>& KvData::GetLogicInfoMap() const { return logicInfo; }
const std::pair<const int, CLogicInfo>* KvData::FindLogicInfo(int logicNo) const {
    return logicInfoIndex_.Find(logicInfo, logicNo);
}
const std::pair<const int, int>* KvData::FindLogicTime(int logicNo) const {
    return logicTimeIndex_.Find(logicTimeMap, logicNo);
}
std::string KvData::GetRecipeVersion() const { return recipeVersion; }

void KvData::LoadKvData(IData* host) {
    if (host == nullptr) return;
    // The host's map runs in ascending name order: local tables, VM tables, system tables.
    for (const auto& [database, tables] : host->GetDatabases()) {
        const bool isLocal = database == KvConst::AppParameterDataLc;
        const bool isVm = database == KvConst::AppParameterDataVm;
        const bool isSystem = database == KvConst::SystemParameterDataLc;
        if (!isLocal && !isVm && !isSystem) continue;
        for (IDataTable* table : tables) {
            if (table == nullptr) continue;
            const LoadResult result = isLocal ? LoadLocalTable(host, table)
                                      : isVm  ? LoadVmTable(host, table)
                                              : LoadSystemTable(host, table);
            // A stop keeps what was loaded and leaves everything later, the version too, empty.
            if (result == LoadResult::Stop) return;
        }
    }
    const auto version = appConfig.find(KvConst::RecipeVersion);
    recipeVersion = version != appConfig.end() ? version->second : "2.0";
}

KvData::LoadResult KvData::LoadLocalTable(IData* host, IDataTable* table) {
    const std::string name = table->GetName();
    bool complete = true;
    if (name == "appConfig") complete = ParseEveryRow(host, table, appConfig);
    else if (name == "functionParasValueDes") return LoadFunParValueDes(host, table);
    else if (name == "variableValueDes") complete = ParseEveryRow(host, table, varValueDes);
    else if (name == "ingredient") return LoadIngredient(host, table);
    else if (name == "resource") return LoadResource(host, table);
    else if (name == "oral") complete = ParseEveryRow(host, table, oral);
    else if (name == "bsType") return LoadBsType(host, table);
    else if (name == "unit") return LoadUnit(host, table);
    else if (name == "par") complete = ParseEveryRow(host, table, cookPar);
    else if (name == "logicTaskRelated") complete = ParseEveryRow(host, table, logicTaskRelated);
    else if (name == "logicInfo") return LoadLogicInfo(host, table);
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadVmTable(IData* host, IDataTable* table) {
    const std::string name = table->GetName();
    bool complete = true;
    if (name == "appPar") {
        complete = ForEachRow(host, table, [this](const std::string& text) {
            JsonBase::FromJson(&appPar, text);
            appPar.writeKeysDescending = true;
            return true;
        });
    } else if (name == "taskInfo") {
        return LoadTaskInfo(host, table);
    } else if (name == "appVariable") {
        complete = ParseEveryRow(host, table, appVariable);
    } else if (name == "defaultData") {
        complete = ParseEveryRow(host, table, defaultData);
    } else if (name == "expandContent") {
        complete = ParseEveryRow(host, table, expandContent);
    } else if (name == "appObject") {
        complete = ParseEveryRow(host, table, appObject);
    }
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadSystemTable(IData* host, IDataTable* table) {
    if (table->GetName() != KvConst::CompileConfigure) return LoadResult::Continue;
    return LoadCompileConfigure(host, table);
}

KvData::LoadResult KvData::LoadFunParValueDes(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonMap<CFunctionParasValueDes> rowDescriptors;
        JsonBase::FromJson(&rowDescriptors, text);
        // Every descriptor loaded before passed its check and is unchanged unless this row
        // replaced it, so checking the row's own entries finds the same first failure as
        // checking the whole table again.
        const bool passed = CheckFunparDesc(host, rowDescriptors.entries);
        MergeRow(rowDescriptors, funParValueDes);
        return passed;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadIngredient(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonArray<CMaterial> materials;
        JsonBase::FromJson(&materials, text);
        // A row with a bad entry stores none of its entries.
        if (!CheckMaterialData(host, materials.items)) return false;
        for (CMaterial& material : materials) {
            // The first code given for a name stays.
            ingredient.try_emplace(std::move(material.name), std::move(material.code));
        }
        return true;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadResource(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonArray<CResource> resources;
        JsonBase::FromJson(&resources, text);
        for (CResource& entry : resources) {
            // A name already known keeps its code, even when this entry has none.
            if (resource.count(entry.name) != 0) continue;
            if (entry.code.empty()) {
                Report(host, msg::ResourceIdEmpty, NoLine(), entry.name);
                return false;
            }
            resource.emplace(std::move(entry.name), std::move(entry.code));
        }
        return true;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadBsType(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonArray<CBsType> types;
        JsonBase::FromJson(&types, text);
        for (CBsType& type : types) {
            if (bsType.count(type.name) != 0) continue;
            if (type.dataType.empty()) {
                Report(host, msg::BsTypeDataTypeEmpty, NoLine(), type.name);
                return false;
            }
            const std::string name = type.name;
            bsType.emplace(name, std::move(type));
        }
        return true;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadUnit(IData* host, IDataTable* table) {
    // Units of an earlier table of the same name passed both checks already.
    const size_t firstNew = unit.size();
    if (!ParseEveryRow(host, table, unit)) return LoadResult::Stop;
    const std::span<const CUnit> added(unit.items.data() + firstNew, unit.size() - firstNew);
    if (!CheckUnitData(host, added)) return LoadResult::Stop;
    // A unit made of digits would read as part of the number it follows.
    for (const CUnit& entry : added) {
        if (commonMethod->IsDigits(entry.srcename) || commonMethod->IsDigits(entry.srccname)) {
            Report(host, msg::UnitNameAllDigits, NoLine(), entry.srcename);
            return LoadResult::Stop;
        }
    }
    return LoadResult::Continue;
}

KvData::LoadResult KvData::LoadLogicInfo(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonArray<CLogicInfo> entries;
        JsonBase::FromJson(&entries, text);
        for (CLogicInfo& entry : entries) {
            if (!entry.CheckData(host)) return false;
            const int logicNo = entry.logicNo;
            logicInfo.insert_or_assign(logicNo, std::move(entry));
        }
        return true;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadTaskInfo(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this, host](const std::string& text) {
        JsonMap<CAppVmTaskInfo> rowTasks;
        JsonBase::FromJson(&rowTasks, text);
        // As for the descriptors: only the tasks this row added or replaced can fail.
        const bool passed = CheckTaskInfo(host, rowTasks.entries);
        MergeRow(rowTasks, taskInfo);
        taskInfo.writeKeysDescending = true;
        return passed;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}

KvData::LoadResult KvData::LoadCompileConfigure(IData* host, IDataTable* table) {
    const bool complete = ForEachRow(host, table, [this](const std::string& text) {
        JsonArray<CCompilerConfig> entries;
        JsonBase::FromJson(&entries, text);
        for (const CCompilerConfig& entry : entries) {
            if (entry.name != KvConst::VMAppFileType) continue;
            // Only the first entry of a row counts; a number too large for an int is no
            // file type at all, so it leaves the setting as it was.
            int fileType = 0;
            if (IntegerOf(entry.description, fileType)) vmAppFileType = fileType;
            break;
        }
        return true;
    });
    return complete ? LoadResult::Continue : LoadResult::Stop;
}
