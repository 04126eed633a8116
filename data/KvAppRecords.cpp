// KvAppRecords: JSON reading and writing of the application records.
#include "data/KvAppRecords.h"

#include "data/JsonFields.h"

using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using json_fields::IsKey;
using json_fields::ReadFloat;
using json_fields::ReadInt;
using json_fields::ReadNested;
using json_fields::ReadString;

// Input records are read from the host's tables and never written back.
void CFunPar::ToWrite(JsonWriter&) const {}
void CArrayPar::ToWrite(JsonWriter&) const {}
void CFunctionParasValueDes::ToWrite(JsonWriter&) const {}
void CVarValueDes::ToWrite(JsonWriter&) const {}
void CMaterial::ToWrite(JsonWriter&) const {}
void CResource::ToWrite(JsonWriter&) const {}
void COral::ToWrite(JsonWriter&) const {}
void CBsType::ToWrite(JsonWriter&) const {}
void CUnit::ToWrite(JsonWriter&) const {}
void CMaterialQuantity::ToWrite(JsonWriter&) const {}
void CLogicInfo::ToWrite(JsonWriter&) const {}
void CAppVmObject::ToWrite(JsonWriter&) const {}

void CFunPar::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "dataType")) ReadString(member.value, dataType);
        else if (IsKey(member.name, "scope")) ReadNested(member.value, scope);
        else if (IsKey(member.name, "select")) ReadNested(member.value, select);
        else if (IsKey(member.name, "isEmpty")) ReadInt(member.value, isEmpty);
    }
}

void CArrayPar::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "displayname")) ReadString(member.value, displayname);
        else if (IsKey(member.name, "type")) ReadString(member.value, type);
        else if (IsKey(member.name, "par")) ReadNested(member.value, par);
    }
}

void CFunctionParasValueDes::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "functionName")) ReadString(member.value, functionName);
        else if (IsKey(member.name, "functionEName")) ReadString(member.value, functionEName);
        else if (IsKey(member.name, "par")) ReadNested(member.value, par);
        else if (IsKey(member.name, "arrayPar")) ReadNested(member.value, arrayPar);
    }
}

void CVarValueDes::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "variableName")) ReadString(member.value, variableName);
        else if (IsKey(member.name, "dataType")) ReadString(member.value, dataType);
        else if (IsKey(member.name, "select")) ReadNested(member.value, select);
        else if (IsKey(member.name, "scope")) ReadNested(member.value, scope);
    }
}

void CMaterial::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "code")) ReadString(member.value, code);
        else if (IsKey(member.name, "name")) ReadString(member.value, name);
    }
}

void CResource::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "code")) ReadString(member.value, code);
        else if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "type")) ReadString(member.value, type);
    }
}

void COral::ParseJson(const JsonValue& json) {
    if (!json.IsObject()) return;
    for (const auto& member : json.GetObject()) {
        if (IsKey(member.name, "id")) ReadString(member.value, id);
        else if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "alias")) ReadString(member.value, alias);
        else if (IsKey(member.name, "value")) ReadFloat(member.value, value);
        else if (IsKey(member.name, "unit")) ReadString(member.value, unit);
        else if (IsKey(member.name, "productCode")) ReadNested(member.value, productCode);
    }
}

void CBsType::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "nameDesc")) ReadString(member.value, nameDesc);
        else if (IsKey(member.name, "dataType")) ReadString(member.value, dataType);
        else if (IsKey(member.name, "unit")) ReadString(member.value, unit);
    }
}

void CUnit::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "srcename")) ReadString(member.value, srcename);
        else if (IsKey(member.name, "srccname")) ReadString(member.value, srccname);
        else if (IsKey(member.name, "base")) ReadString(member.value, base);
        else if (IsKey(member.name, "ratio")) ReadFloat(member.value, ratio);
        else if (IsKey(member.name, "offset")) ReadFloat(member.value, offset);
    }
}

void CMaterialQuantity::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "quantity")) ReadString(member.value, quantity);
    }
}

void CLogicInfo::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "logicNo")) ReadInt(member.value, logicNo);
        else if (IsKey(member.name, "visibleStep")) ReadInt(member.value, visibleStep);
        else if (IsKey(member.name, "visibleId")) ReadInt(member.value, visibleId);
        else if (IsKey(member.name, "materialList")) ReadNested(member.value, materialList);
    }
}

void CAppVmVarValue::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "src")) ReadString(member.value, src);
        else if (IsKey(member.name, "dst")) ReadString(member.value, dst);
    }
}

void CAppVmVarValue::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    writer.Key("src");
    JsonBase::ToWriteEvery(writer, src);
    writer.Key("dst");
    JsonBase::ToWriteEvery(writer, dst);
    writer.EndObject();
}

void CAppVmPar::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "attachKeys")) ReadNested(member.value, attachKeys);
        else if (IsKey(member.name, "attachData")) ReadNested(member.value, attachData);
    }
}

void CAppVmPar::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    writer.Key("attachKeys");
    attachKeys.ToWrite(writer);
    writer.Key("attachData");
    attachData.ToWrite(writer);
    writer.EndObject();
}

void CCompilerConfig::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "name")) ReadString(member.value, name);
        else if (IsKey(member.name, "description")) ReadString(member.value, description);
    }
}

void CCompilerConfig::ToWrite(JsonWriter& writer) const {
    writer.StartObject();
    writer.Key("name");
    JsonBase::ToWriteEvery(writer, name);
    writer.Key("description");
    JsonBase::ToWriteEvery(writer, description);
    writer.EndObject();
}

void CAppVmObject::ParseJson(const JsonValue& value) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        if (IsKey(member.name, "taskIdList")) ReadNested(member.value, taskIdList);
    }
}
