// KvAppRecords: JSON reading and writing of the application records.
#include "data/KvAppRecords.h"

#include "utilo/JsonFields.h"

using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;
using kv::json::ForEachMember;
using kv::json::ReadFloat;
using kv::json::ReadInt;
using kv::json::ReadNested;
using kv::json::ReadString;

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
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "name") ReadString(member, name);
        else if (key == "dataType") ReadString(member, dataType);
        else if (key == "scope") ReadNested(member, scope);
        else if (key == "select") ReadNested(member, select);
        else if (key == "isEmpty") ReadInt(member, isEmpty);
    });
}

void CArrayPar::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "name") ReadString(member, name);
        else if (key == "displayname") ReadString(member, displayname);
        else if (key == "type") ReadString(member, type);
        else if (key == "par") ReadNested(member, par);
    });
}

void CFunctionParasValueDes::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "functionName") ReadString(member, functionName);
        else if (key == "functionEName") ReadString(member, functionEName);
        else if (key == "par") ReadNested(member, par);
        else if (key == "arrayPar") ReadNested(member, arrayPar);
    });
}

void CVarValueDes::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "variableName") ReadString(member, variableName);
        else if (key == "dataType") ReadString(member, dataType);
        else if (key == "select") ReadNested(member, select);
        else if (key == "scope") ReadNested(member, scope);
    });
}

void CMaterial::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "code") ReadString(member, code);
        else if (key == "name") ReadString(member, name);
    });
}

void CResource::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "code") ReadString(member, code);
        else if (key == "name") ReadString(member, name);
        else if (key == "type") ReadString(member, type);
    });
}

void COral::ParseJson(const JsonValue& json) {
    ForEachMember(json, [this](std::string_view key, const JsonValue& member) {
        if (key == "id") ReadString(member, id);
        else if (key == "name") ReadString(member, name);
        else if (key == "alias") ReadString(member, alias);
        else if (key == "value") ReadFloat(member, value);
        else if (key == "unit") ReadString(member, unit);
        else if (key == "productCode") ReadNested(member, productCode);
    });
}

void CBsType::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "name") ReadString(member, name);
        else if (key == "nameDesc") ReadString(member, nameDesc);
        else if (key == "dataType") ReadString(member, dataType);
        else if (key == "unit") ReadString(member, unit);
    });
}

void CUnit::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "srcename") ReadString(member, srcename);
        else if (key == "srccname") ReadString(member, srccname);
        else if (key == "base") ReadString(member, base);
        else if (key == "ratio") ReadFloat(member, ratio);
        else if (key == "offset") ReadFloat(member, offset);
    });
}

void CMaterialQuantity::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "name") ReadString(member, name);
        else if (key == "quantity") ReadString(member, quantity);
    });
}

void CLogicInfo::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "logicNo") ReadInt(member, logicNo);
        else if (key == "visibleStep") ReadInt(member, visibleStep);
        else if (key == "visibleId") ReadInt(member, visibleId);
        else if (key == "materialList") ReadNested(member, materialList);
    });
}

void CAppVmVarValue::ParseJson(const JsonValue& value) {
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "src") ReadString(member, src);
        else if (key == "dst") ReadString(member, dst);
    });
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
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "attachKeys") ReadNested(member, attachKeys);
        else if (key == "attachData") ReadNested(member, attachData);
    });
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
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "name") ReadString(member, name);
        else if (key == "description") ReadString(member, description);
    });
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
    ForEachMember(value, [this](std::string_view key, const JsonValue& member) {
        if (key == "taskIdList") ReadNested(member, taskIdList);
    });
}
