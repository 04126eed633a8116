// KvAppVmData: the VM data set's records, their JSON forms, their order and MessagePack encodings.
//
// Records are plain values with public fields. Each binds to JSON through JsonBase (ToWrite,
// ParseJson); the table records also order themselves for the image (operator<) and pack
// themselves into MessagePack (MsgpackPack). KvVmData gathers the whole set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "IData.h"
#include "ILanguageDebug.h"
#include "RapidJsonHelper/JsonArray.h"
#include "RapidJsonHelper/JsonMap.h"
#include "utilo/JsonBase.h"

// The encoding of one record. The bytes are owned by the record, so a PackedRecord held in a
// std::unique_ptr frees everything when it goes out of scope.
struct PackedRecord {
    std::vector<uint8_t> data;
    // Number of bytes in data; 0 means the record could not be packed.
    int32_t length = 0;
};

// The sentinel of an integer that no JSON member set ("no value given").
inline constexpr int32_t kVmIntUnset = INT32_MIN;

// An ingredient used by a step.
class CIngredient : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string ssnid;
    std::string vol;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// One parameter of a trigger or output command.
class CparItem : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string devid;
    std::string sensor;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// A command that triggers a step. Read from "cmdId" but written as "cmdid": the host's
// tables and the VM spell the key differently.
class CTriggerItem : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string cmdid;
    std::string method;
    Brisk::RapidJsonHelper::JsonArray<CparItem> par;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// A command a step outputs; par maps a parameter name to its argument text.
class COutputItem : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string cmdid;
    std::string method;
    std::string devindex;
    Brisk::RapidJsonHelper::JsonMap<std::string> par;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;
};

// One step of a task.
class CStepInfo : public Brisk::RapidJsonHelper::JsonBase {
public:
    // The step number as decimal text.
    std::string id;
    std::string time;
    int32_t visibleStep = 0;
    int32_t visibleId = 0;
    Brisk::RapidJsonHelper::JsonArray<CTriggerItem> trigger;
    Brisk::RapidJsonHelper::JsonArray<COutputItem> output;
    Brisk::RapidJsonHelper::JsonArray<CIngredient> ingredient;
    // The step's logic number (source line); never written to or read from JSON.
    int32_t logicNo = 0;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Orders by the integer value of id (leading blanks and a sign allowed, trailing text
    // ignored). Ids that hold no number in the 32-bit range sort after every numeric id, in
    // byte order among themselves. Never throws; a strict weak ordering.
    bool operator<(const CStepInfo& other) const;
};

// One task. taskId is the key of the host's task table, so it has no JSON member.
class CAppVmTaskInfo : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string taskId;
    // kVmIntUnset when the table gave no step count.
    int32_t stepCount = kVmIntUnset;
    Brisk::RapidJsonHelper::JsonArray<std::string> varList;
    Brisk::RapidJsonHelper::JsonArray<int> timerId;
    // Written to JSON but never read back: steps are rebuilt from the program.
    Brisk::RapidJsonHelper::JsonArray<CStepInfo> step;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Image order: ascending signed hash of taskId, ties by taskId's bytes.
    bool operator<(const CAppVmTaskInfo& other) const;

    // Returns false, after reporting error 2002 for taskKey, when no step count was given.
    bool CheckData(IData* data, const std::string& taskKey) const;

    // The buffer bound of the encoding (the exact length may be smaller, never cut short).
    uint32_t GetMsgpackBufferMaxSize() const;
    // Packs taskId, stepCount, timerId. Null when the encoding does not fit 2^31-1 bytes.
    // debug receives nothing.
    std::unique_ptr<PackedRecord> MsgpackPack(ILanguageDebug* debug) const;
};

// One application variable of the VM.
class CAppVmVariable : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string appKey;
    int32_t dataType = 0;
    std::string defaultValue;
    int32_t eventType = 0;
    // Written to JSON but never read back: the owning tasks come from the program.
    Brisk::RapidJsonHelper::JsonArray<std::string> belongTaskId;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Image order: ascending signed hash of appKey, ties by appKey's bytes.
    bool operator<(const CAppVmVariable& other) const;

    uint32_t GetMsgpackBufferMaxSize() const;
    // Packs appKey, dataType, eventType, defaultValue, belongTaskId.
    std::unique_ptr<PackedRecord> MsgpackPack(ILanguageDebug* debug) const;
};

// One entry of the VM's parameter table.
class CAppVmParBin : public Brisk::RapidJsonHelper::JsonBase {
public:
    std::string key;
    Brisk::RapidJsonHelper::JsonArray<std::string> attachKeys;
    Brisk::RapidJsonHelper::JsonMap<Brisk::RapidJsonHelper::JsonArray<std::string>> attachData;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Image order: ascending signed hash of key, ties by key's bytes.
    bool operator<(const CAppVmParBin& other) const;

    uint32_t GetMsgpackBufferMaxSize() const;
    // Packs key, attachKeys, attachData (entries in ascending key order).
    std::unique_ptr<PackedRecord> MsgpackPack(ILanguageDebug* debug) const;
};

// The default-value table as one record.
class CAppVmDefaultData : public Brisk::RapidJsonHelper::JsonBase {
public:
    Brisk::RapidJsonHelper::JsonMap<std::string> defaultData;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    uint32_t GetMsgpackBufferMaxSize() const;
    // Packs the entries as one map in ascending key order. An empty table yields length 0
    // (its bound is 0), which the image builder reports as a packing failure.
    std::unique_ptr<PackedRecord> MsgpackPack(ILanguageDebug* debug) const;
};

// The whole VM data set.
class KvVmData : public Brisk::RapidJsonHelper::JsonBase {
public:
    Brisk::RapidJsonHelper::JsonArray<CAppVmVariable> appVariable;
    Brisk::RapidJsonHelper::JsonArray<CAppVmTaskInfo> appTask;
    Brisk::RapidJsonHelper::JsonArray<CAppVmParBin> appPar;
    Brisk::RapidJsonHelper::JsonMap<std::string> defaultData;
    Brisk::RapidJsonHelper::JsonArray<int> expandContent;

    void ToWrite(Brisk::RapidJsonHelper::JsonWriter& writer) const override;
    void ParseJson(const Brisk::RapidJsonHelper::JsonValue& value) override;

    // Puts appVariable, appTask and appPar into image order (the records' operator<), each
    // key hashed once; records with equal keys keep their relative order.
    void Sort();
};
