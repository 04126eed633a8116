// KvAppRecords: the records of the application's data tables and their tolerant JSON binding.
//
// Each record takes from a JSON object only the keys it knows, with the JSON kind it expects,
// and ignores everything else; a key given twice is taken twice, so its last acceptable
// occurrence wins. Numbers that a document leaves out keep the "not given" sentinels below,
// which the table checks test for. Input records write nothing; only CCompilerConfig,
// CAppVmVarValue and CAppVmPar have a JSON form of their own.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "RapidJsonHelper/JsonArray.h"
#include "RapidJsonHelper/JsonMap.h"
#include "utilo/JsonBase.h"

class IData;

// "Not given" for a float field: the largest float, bit pattern 0x7F7FFFFF.
inline constexpr float kAppFloatUnset = std::numeric_limits<float>::max();
// "Not given" for an int field: bit pattern 0x80000000.
inline constexpr int32_t kAppIntUnset = std::numeric_limits<int32_t>::min();

// One parameter of a function's value descriptor.
class CFunPar : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string name;
    // "number", "numerical" or the name of a business type.
    std::string dataType;
    // Lower and upper bound texts; the upper one may be "inf".
    Brisk::RapidJsonHelper::JsonArray<std::string> scope;
    // Allowed choices: key -> value.
    Brisk::RapidJsonHelper::JsonMap<std::string> select;
    // 1: the function checker does not examine this argument.
    int32_t isEmpty = 0;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Returns false, after reporting the function's key, when the parameter has no name.
    bool CheckData(IData* data, const std::string& functionKey) const;
};

// The array parameter of a function: its element parameters repeat over all arguments.
class CArrayPar : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string name;
    std::string displayname;
    std::string type;
    Brisk::RapidJsonHelper::JsonArray<CFunPar> par;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Checks every element parameter in order; false at the first one without a name.
    bool CheckData(IData* data, const std::string& functionKey) const;
};

// The value descriptor of one function: its parameters in argument order.
// True for the descriptor data types whose values are texts rather than numbers.
inline bool IsCharacterType(const std::string& dataType) {
    return dataType == "char" || dataType == "string";
}

class CFunctionParasValueDes : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string functionName;
    std::string functionEName;
    Brisk::RapidJsonHelper::JsonArray<CFunPar> par;
    // When its name is not empty, it describes all arguments and par is not used.
    CArrayPar arrayPar;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Checks par, then arrayPar when it has a name. functionKey is the descriptor's table key.
    bool CheckData(IData* data, const std::string& functionKey) const;

    bool HasArrayPar() const { return !arrayPar.name.empty(); }
    // Whether a call with count arguments fits: as many as par, or whole groups of the array's
    // element parameters (an array without element parameters fits no count).
    bool FitsArgumentCount(size_t count) const {
        if (!HasArrayPar()) return count == par.size();
        return !arrayPar.par.empty() && count % arrayPar.par.size() == 0;
    }
    // The parameter that describes argument i of a call that fits.
    const CFunPar& ParameterFor(size_t i) const {
        return HasArrayPar() ? arrayPar.par[i % arrayPar.par.size()] : par[i];
    }
};

// The value descriptor of one variable.
class CVarValueDes : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string variableName;
    std::string dataType;
    Brisk::RapidJsonHelper::JsonMap<std::string> select;
    Brisk::RapidJsonHelper::JsonArray<std::string> scope;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// An ingredient: id and name.
class CMaterial : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string code;
    std::string name;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Returns false, after reporting the name, when the ingredient has no id.
    bool CheckData(IData* data) const;
};

// A resource: id, name and type.
class CResource : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string code;
    std::string name;
    std::string type;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// A spoken-language alias.
class COral : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string id;
    std::string name;
    std::string alias;
    // kAppFloatUnset when not given.
    float value = kAppFloatUnset;
    std::string unit;
    Brisk::RapidJsonHelper::JsonArray<int> productCode;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// A business type and the unit its values are measured in.
class CBsType : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string name;
    std::string nameDesc;
    std::string dataType;
    std::string unit;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// A unit: base value = ratio * value + offset, in single precision.
class CUnit : public Brisk::RapidJsonHelper::JsonBase {
public:
    // The name used in programs.
    std::string srcename;
    // The second (Chinese) name.
    std::string srccname;
    // The base unit it converts to; a unit whose srcename equals base is the base itself.
    std::string base;
    // kAppFloatUnset when not given.
    float ratio = kAppFloatUnset;
    float offset = kAppFloatUnset;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Returns false, after reporting, when the offset or else the ratio was not given.
    bool CheckData(IData* data) const;
};

// An ingredient of a logic entry, with its quantity as text.
class CMaterialQuantity : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string name;
    std::string quantity;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// One entry of the logic table. The numbers are kAppIntUnset when not given.
class CLogicInfo : public Brisk::RapidJsonHelper::JsonBase {
public:
    int32_t logicNo = kAppIntUnset;
    int32_t visibleStep = kAppIntUnset;
    int32_t visibleId = kAppIntUnset;
    Brisk::RapidJsonHelper::JsonArray<CMaterialQuantity> materialList;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Returns false, after reporting the first problem, when a number was not given or an
    // ingredient lacks its name or quantity.
    bool CheckData(IData* data) const;
};

// One value mapping of a VM parameter.
class CAppVmVarValue : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string src;
    std::string dst;

    // {"src":...,"dst":...}
    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// One VM parameter with its attachments.
class CAppVmPar : public Brisk::RapidJsonHelper::JsonBase {
public:
    Brisk::RapidJsonHelper::JsonArray<std::string> attachKeys;
    Brisk::RapidJsonHelper::JsonMap<CAppVmVarValue> attachData;

    // {"attachKeys":[...],"attachData":{...}}
    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// One compiler configuration entry.
class CCompilerConfig : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string name;
    // The entry's value as text.
    std::string description;

    // {"name":...,"description":...}
    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// An application object with the tasks it owns. Read only: it writes nothing.
class CAppVmObject : public Brisk::RapidJsonHelper::JsonBase {
public:
    Brisk::RapidJsonHelper::JsonArray<std::string> taskIdList;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};
