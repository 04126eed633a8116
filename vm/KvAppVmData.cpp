// KvAppVmData: JSON writing and reading of the VM records, and the task step-count check.
#include "vm/KvAppVmData.h"

#include <string_view>

#include "utilo/JsonFields.h"
#include "vm/VmMessages.h"

using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using kv::json::ForEachMember;
using kv::json::ReadInt;
using kv::json::ReadString;

namespace {

void WriteString(JsonWriter& writer, const char* key, const std::string& value) {
    writer.Key(key);
    JsonBase::ToWriteEvery(writer, value);
}

void WriteInt(JsonWriter& writer, const char* key, int32_t value) {
    writer.Key(key);
    JsonBase::ToWriteEvery(writer, value);
}

void WriteMember(JsonWriter& writer, const char* key, const JsonBase& value) {
    writer.Key(key);
    value.ToWrite(writer);
}

}  // namespace

void CIngredient::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "ssnid", ssnid);
    WriteString(writer, "vol", vol);
    writer.EndObject();
}

void CIngredient::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "ssnid") ReadString(member, ssnid);
        else if (jsonKey == "vol") ReadString(member, vol);
    });
}

void CparItem::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "devid", devid);
    WriteString(writer, "sensor", sensor);
    writer.EndObject();
}

void CparItem::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "devid") ReadString(member, devid);
        else if (jsonKey == "sensor") ReadString(member, sensor);
    });
}

void CTriggerItem::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "cmdid", cmdid);
    WriteString(writer, "method", method);
    WriteMember(writer, "par", par);
    writer.EndObject();
}

void CTriggerItem::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "cmdId") ReadString(member, cmdid);
        else if (jsonKey == "method") ReadString(member, method);
        else if (jsonKey == "par") par.ParseJson(member);
    });
}

void COutputItem::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "cmdid", cmdid);
    WriteString(writer, "method", method);
    WriteString(writer, "devindex", devindex);
    WriteMember(writer, "par", par);
    writer.EndObject();
}

void COutputItem::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "cmdid") ReadString(member, cmdid);
        else if (jsonKey == "method") ReadString(member, method);
        else if (jsonKey == "devindex") ReadString(member, devindex);
        else if (jsonKey == "par") par.ParseJson(member);
    });
}

void CStepInfo::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "id", id);
    WriteInt(writer, "visibleStep", visibleStep);
    WriteInt(writer, "visibleId", visibleId);
    WriteString(writer, "time", time);
    WriteMember(writer, "output", output);
    WriteMember(writer, "trigger", trigger);
    WriteMember(writer, "ingredient", ingredient);
    writer.EndObject();
}

void CStepInfo::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "id") ReadString(member, id);
        else if (jsonKey == "time") ReadString(member, time);
        else if (jsonKey == "visibleStep") ReadInt(member, visibleStep);
        else if (jsonKey == "visibleId") ReadInt(member, visibleId);
        else if (jsonKey == "trigger") trigger.ParseJson(member);
        else if (jsonKey == "output") output.ParseJson(member);
        else if (jsonKey == "ingredient") ingredient.ParseJson(member);
    });
}

void CAppVmTaskInfo::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteInt(writer, "stepCount", stepCount);
    WriteMember(writer, "timerId", timerId);
    WriteMember(writer, "varList", varList);
    WriteMember(writer, "step", step);
    writer.EndObject();
}

void CAppVmTaskInfo::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "stepCount") ReadInt(member, stepCount);
        else if (jsonKey == "timerId") timerId.ParseJson(member);
        else if (jsonKey == "varList") varList.ParseJson(member);
    });
}

bool CAppVmTaskInfo::CheckData(IData* data, const std::string& taskKey) const {
    if (stepCount != kVmIntUnset) return true;
    kv::diag::Report(data, kv::diag::vm::TaskStepCountMissing, kv::diag::NoLine(), taskKey);
    return false;
}

void CAppVmVariable::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "appKey", appKey);
    WriteInt(writer, "dataType", dataType);
    WriteString(writer, "defaultValue", defaultValue);
    WriteInt(writer, "eventType", eventType);
    WriteMember(writer, "belongTaskId", belongTaskId);
    writer.EndObject();
}

void CAppVmVariable::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "appKey") ReadString(member, appKey);
        else if (jsonKey == "dataType") ReadInt(member, dataType);
        else if (jsonKey == "defaultValue") ReadString(member, defaultValue);
        else if (jsonKey == "eventType") ReadInt(member, eventType);
    });
}

void CAppVmParBin::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "key", key);
    WriteMember(writer, "attachKeys", attachKeys);
    WriteMember(writer, "attachData", attachData);
    writer.EndObject();
}

void CAppVmParBin::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "key") ReadString(member, key);
        else if (jsonKey == "attachKeys") attachKeys.ParseJson(member);
        else if (jsonKey == "attachData") attachData.ParseJson(member);
    });
}

void CAppVmDefaultData::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteMember(writer, "defaultData", defaultData);
    writer.EndObject();
}

void CAppVmDefaultData::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "defaultData") defaultData.ParseJson(member);
    });
}

void KvVmData::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteMember(writer, "appVariable", appVariable);
    WriteMember(writer, "appTask", appTask);
    WriteMember(writer, "appPar", appPar);
    WriteMember(writer, "defaultData", defaultData);
    WriteMember(writer, "expandContent", expandContent);
    writer.EndObject();
}

void KvVmData::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view jsonKey, const JsonValue& member) {
        if (jsonKey == "appVariable") appVariable.ParseJson(member);
        else if (jsonKey == "appTask") appTask.ParseJson(member);
        else if (jsonKey == "appPar") appPar.ParseJson(member);
        else if (jsonKey == "defaultData") defaultData.ParseJson(member);
        else if (jsonKey == "expandContent") expandContent.ParseJson(member);
    });
}
