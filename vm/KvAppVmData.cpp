// KvAppVmData: JSON writing and reading of the VM records, and the task step-count check.
#include "vm/KvAppVmData.h"

#include <string_view>

#include "vm/VmMessages.h"

using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;

namespace {

// Calls take(name, value) for each member of an object in document order, so that a key
// given twice ends with the later value. A non-object value calls nothing.
template <typename Take>
void ForEachMember(const JsonValue& value, Take take) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        take(std::string_view(member.name.GetString(), member.name.GetStringLength()),
             member.value);
    }
}

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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "ssnid") JsonBase::ToParseEvery(member, ssnid);
        else if (name == "vol") JsonBase::ToParseEvery(member, vol);
    });
}

void CparItem::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteString(writer, "devid", devid);
    WriteString(writer, "sensor", sensor);
    writer.EndObject();
}

void CparItem::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "devid") JsonBase::ToParseEvery(member, devid);
        else if (name == "sensor") JsonBase::ToParseEvery(member, sensor);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "cmdId") JsonBase::ToParseEvery(member, cmdid);
        else if (name == "method") JsonBase::ToParseEvery(member, method);
        else if (name == "par") par.ParseJson(member);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "cmdid") JsonBase::ToParseEvery(member, cmdid);
        else if (name == "method") JsonBase::ToParseEvery(member, method);
        else if (name == "devindex") JsonBase::ToParseEvery(member, devindex);
        else if (name == "par") par.ParseJson(member);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "id") JsonBase::ToParseEvery(member, id);
        else if (name == "time") JsonBase::ToParseEvery(member, time);
        else if (name == "visibleStep") JsonBase::ToParseEvery(member, visibleStep);
        else if (name == "visibleId") JsonBase::ToParseEvery(member, visibleId);
        else if (name == "trigger") trigger.ParseJson(member);
        else if (name == "output") output.ParseJson(member);
        else if (name == "ingredient") ingredient.ParseJson(member);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "stepCount") JsonBase::ToParseEvery(member, stepCount);
        else if (name == "timerId") timerId.ParseJson(member);
        else if (name == "varList") varList.ParseJson(member);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "appKey") JsonBase::ToParseEvery(member, appKey);
        else if (name == "dataType") JsonBase::ToParseEvery(member, dataType);
        else if (name == "defaultValue") JsonBase::ToParseEvery(member, defaultValue);
        else if (name == "eventType") JsonBase::ToParseEvery(member, eventType);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "key") JsonBase::ToParseEvery(member, key);
        else if (name == "attachKeys") attachKeys.ParseJson(member);
        else if (name == "attachData") attachData.ParseJson(member);
    });
}

void CAppVmDefaultData::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    WriteMember(writer, "defaultData", defaultData);
    writer.EndObject();
}

void CAppVmDefaultData::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "defaultData") defaultData.ParseJson(member);
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
    ForEachMember(value, [this](std::string_view name, const JsonValue& member) {
        if (name == "appVariable") appVariable.ParseJson(member);
        else if (name == "appTask") appTask.ParseJson(member);
        else if (name == "appPar") appPar.ParseJson(member);
        else if (name == "defaultData") defaultData.ParseJson(member);
        else if (name == "expandContent") expandContent.ParseJson(member);
    });
}
