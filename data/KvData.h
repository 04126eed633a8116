// KvData: the application data loaded from the host, its checks, units and VM variables.
//
// One KvData is built per analyzer: the constructor loads and validates every table (loading
// stops at the first bad table and keeps what it has), then derives the VM variables' tasks.
// Checkers and builders read the tables through the accessors, which lend references; the
// task and VM builders use the public members directly.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "IData.h"
#include "RapidJsonHelper/JsonArray.h"
#include "RapidJsonHelper/JsonMap.h"
#include "data/IntKeyIndex.h"
#include "data/KvAppRecords.h"
#include "data/LineKeyIndex.h"
#include "data/NameIndex.h"
#include "data/UnitIndex.h"
#include "utilo/CommonMethod.h"
#include "utilo/TypeConvert.h"
#include "vm/KvAppVmData.h"

class KvData {
public:
    // Loads every table from data (not owned; may be null, which loads nothing), then, when
    // vmAppFileType is 0, derives the VM variables' tasks. Problems are only reported.
    explicit KvData(IData* data);
    ~KvData();
    KvData(const KvData&) = delete;
    KvData& operator=(const KvData&) = delete;

    // Loads the tables of data's three databases in order; returns at the first bad table.
    void LoadKvData(IData* data);

    // ---- Accessors: references into this object, valid for its lifetime.
    const std::map<std::string, std::string>& GetAppConfig() const;
    Brisk::RapidJsonHelper::JsonMap<CFunctionParasValueDes>& GetFunParValueDes();
    // The parameter descriptor of the function called name, or null; hashed, since every call
    // of a recipe is looked up in several passes.
    const std::pair<const std::string, CFunctionParasValueDes>* FindFunParValueDes(
        std::string_view name) const;
    Brisk::RapidJsonHelper::JsonMap<CVarValueDes>& GetVarValueDes();
    // Ingredient name -> code.
    std::map<std::string, std::string>& GetMaterial();
    // The ingredient (or cooking parameter) called name, or null; found in time that grows
    // with the name, not with the table.
    const std::pair<const std::string, std::string>* FindMaterial(std::string_view name) const;
    // For lines ended in order: starts bringing into the cache what FindMaterial will read for
    // the ingredients of the next logic lines after logicNo, a step of the way for each of the
    // next four.
    void PrefetchMaterialsAfter(int logicNo) const;
    const std::pair<const std::string, Brisk::RapidJsonHelper::JsonArray<std::string>>* FindCookPar(
        std::string_view name) const;
    // Resource name -> code.
    std::map<std::string, std::string>& GetResource();
    std::map<std::string, CBsType>& GetBsType();
    // The entry of bsType under name, or null.
    const std::pair<const std::string, CBsType>* FindBsType(std::string_view name) const;
    // The entry of the host's function table under name, or null (also without a host).
    const std::pair<const std::string, std::vector<ICFunction*>>* FindHostFunctions(
        std::string_view name) const;
    Brisk::RapidJsonHelper::JsonArray<CUnit>& GetUnit();
    Brisk::RapidJsonHelper::JsonArray<COral>& GetOral();
    // Cooking parameter name -> its texts.
    Brisk::RapidJsonHelper::JsonMap<Brisk::RapidJsonHelper::JsonArray<std::string>>& GetCookPar();
    // Logic number (decimal text) -> task id.
    std::map<std::string, std::string>& GetLogicTaskRelated();
    // The entry of GetLogicTaskRelated for logicNo, or null; found in time that does not grow
    // with the table, which has a row for every line of a recipe.
    const std::pair<const std::string, std::string>* FindLogicTask(int logicNo) const;
    const std::map<int, CLogicInfo>& GetLogicInfoMap() const;
    // The entries of logicInfo and logicTimeMap under logicNo, or null.
    const std::pair<const int, CLogicInfo>* FindLogicInfo(int logicNo) const;
    const std::pair<const int, int>* FindLogicTime(int logicNo) const;
    // A copy: empty after a stopped load, "2.0" when appConfig names no version.
    std::string GetRecipeVersion() const;

    // ---- Table checks: true when no problem was found; the first problem is reported.
    // Each entry in ascending key order; keys are the descriptors' table keys.
    static bool CheckFunparDesc(IData* data,
                                const std::map<std::string, CFunctionParasValueDes>& descriptors);
    static bool CheckMaterialData(IData* data, std::span<const CMaterial> materials);
    static bool CheckUnitData(IData* data, std::span<const CUnit> units);
    // Each task in ascending key order.
    static bool CheckTaskInfo(IData* data, const std::map<std::string, CAppVmTaskInfo>& tasks);

    // ---- Units and value descriptors.
    // The unit of the first business type (in name order) whose name, description or unit is
    // typeName; "" when there is none.
    std::string GetBasicUnit(const std::string& typeName) const;
    // The unit type a value of dataType is parsed for: "number" for an empty, "number" or
    // "numerical" type, else the type's base unit. Lent until the business types change.
    const std::string& UnitTypeOf(const std::string& dataType) const;
    // Finds a unit name after the first byte of text. found = (position, matched name) and
    // unit = the unit's record; both unchanged when no unit matches. Among several matches the
    // longest name that ends the text wins; when none ends it, a later match wins only when
    // its name is longer than the first match's.
    bool ParseUnit(const std::string& text, std::pair<size_t, std::string>& found,
                   CUnit& unit) const;
    // Whether value is acceptable for unitType ("number" accepts numbers, and quoted texts, `#`
    // references and null as 0); out receives the number in the base unit. A value with a unit is converted and rewritten as "%f".
    bool ParsePublicValue(std::string& value, const std::string& unitType, float& out) const;
    // Whether value lies within scope = {low, high} (bounds inclusive, high may be "inf" in any
    // case). Reports a range whose low exceeds its high. False when scope has fewer than two
    // texts.
    bool CheckScopeValue(double value, std::span<const std::string> scope, IData* data) const;
    // Whether value is a key or a value of select; value becomes the chosen entry's value.
    bool CheckSelectValue(std::string& value,
                          const std::map<std::string, std::string>& select) const;

    // ---- VM application variables.
    // Sets each variable's belongTaskId from taskInfo's varList (smallest task key first)
    // or its object's taskIdList; stops at the first variable it cannot place.
    void makeVmAppVar(IData* data);
    // Replaces the text of every row of table tableName in "appParameterDataVm" with json,
    // stopping at the first invalid row. The second text is unused.
    void ChangeVmDataValue(const std::string& tableName, const std::string& unused,
                           const std::string& json);

    // ---- The loaded tables and their companions, in their fixed declaration order.
    std::string recipeVersion;
    Brisk::RapidJsonHelper::JsonMap<std::string> appConfig;
    Brisk::RapidJsonHelper::JsonMap<CFunctionParasValueDes> funParValueDes;
    Brisk::RapidJsonHelper::JsonMap<CVarValueDes> varValueDes;
    std::map<std::string, std::string> ingredient;
    std::map<std::string, std::string> resource;
    std::map<std::string, CBsType> bsType;
    Brisk::RapidJsonHelper::JsonArray<CUnit> unit;
    Brisk::RapidJsonHelper::JsonArray<COral> oral;
    Brisk::RapidJsonHelper::JsonMap<Brisk::RapidJsonHelper::JsonArray<std::string>> cookPar;
    Brisk::RapidJsonHelper::JsonMap<std::string> logicTaskRelated;
    std::map<int, CLogicInfo> logicInfo;
    // The host's data; not owned.
    IData* data = nullptr;
    std::unique_ptr<CommonMethod> commonMethod;
    std::unique_ptr<TypeConvert> typeConvert;
    // Written back with keys in descending order.
    Brisk::RapidJsonHelper::JsonMap<CAppVmPar> appPar;
    Brisk::RapidJsonHelper::JsonMap<CAppVmTaskInfo> taskInfo;
    // Logic number -> time value, filled by the time-point checker.
    std::map<int, int> logicTimeMap;
    Brisk::RapidJsonHelper::JsonArray<CAppVmVariable> appVariable;
    Brisk::RapidJsonHelper::JsonMap<std::string> defaultData;
    Brisk::RapidJsonHelper::JsonMap<CAppVmObject> appObject;
    Brisk::RapidJsonHelper::JsonArray<int> expandContent;
    int vmAppFileType = 0;

private:
    // Type name, description or unit -> the unit of the first business type (by name) that
    // carries it; built on first use so a lookup per argument costs no walk of the table.
    // Business types only grow after loading; a change in their number rebuilds it.
    mutable std::map<std::string, std::string> basicUnits_;
    mutable NameIndex<std::string> basicUnitIndex_;
    mutable size_t basicUnitIndexedTypes_ = static_cast<size_t>(-1);
    // GetBasicUnit's answer, lent from the index.
    const std::string& BasicUnitOf(const std::string& typeName) const;
    // The unit names, indexed on first use so that a quantity costs its own length and not the
    // table's; rebuilt when the unit table has changed since.
    mutable std::unique_ptr<UnitIndex> unitIndex_;
    const UnitIndex& Units() const;
    // Ingredient and cooking-parameter names, hashed on first use: recipes name them in
    // nearly every call, and their tables run to a hundred thousand entries.
    mutable NameIndex<std::string> ingredientIndex_;
    mutable NameIndex<Brisk::RapidJsonHelper::JsonArray<std::string>> cookParIndex_;
    mutable LineKeyIndex<std::string> logicTaskIndex_;
    mutable IntKeyIndex<CLogicInfo> logicInfoIndex_;
    mutable IntKeyIndex<int> logicTimeIndex_;
    mutable NameIndex<CFunctionParasValueDes> funParValueDesIndex_;
    mutable NameIndex<CBsType> bsTypeIndex_;
    mutable NameIndex<std::vector<ICFunction*>> hostFunctionIndex_;
    // A scope's bounds as numbers, by where its texts are, kept with the texts they were read
    // from: every argument of a ranged parameter is checked against them.
    struct ScopeBounds {
        std::string lowText;
        std::string highText;
        double low = 0.0;
        double high = 0.0;
        bool open = false;  // the high bound is "inf"
        bool read = false;
    };
    mutable std::unordered_map<const std::string*, ScopeBounds> scopeBounds_;
    const ScopeBounds& BoundsOf(std::span<const std::string> scope) const;

    // What one table's loader tells LoadKvData.
    enum class LoadResult { Continue, Stop };

    // One table of each database; host receives the messages.
    LoadResult LoadLocalTable(IData* host, IDataTable* table);
    LoadResult LoadVmTable(IData* host, IDataTable* table);
    LoadResult LoadSystemTable(IData* host, IDataTable* table);

    LoadResult LoadFunParValueDes(IData* host, IDataTable* table);
    LoadResult LoadIngredient(IData* host, IDataTable* table);
    LoadResult LoadResource(IData* host, IDataTable* table);
    LoadResult LoadBsType(IData* host, IDataTable* table);
    LoadResult LoadUnit(IData* host, IDataTable* table);
    LoadResult LoadLogicInfo(IData* host, IDataTable* table);
    LoadResult LoadTaskInfo(IData* host, IDataTable* table);
    LoadResult LoadCompileConfigure(IData* host, IDataTable* table);

    // Sets out to the value of an integer text (optional sign, digits) when it fits 32 bits.
    bool IntegerOf(const std::string& text, int& out) const;
    // Sets out to the number an integer or decimal text stands for (an integer too large for
    // 32 bits is read as a float, infinite beyond the float range); false for any other text.
    bool NumberOf(const std::string& text, double& out) const;
};
