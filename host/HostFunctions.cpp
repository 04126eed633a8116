// HostFunctions: parses the host's function and intermediate-variable lists and indexes them.
#include "host/HostFunctions.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <cstddef>
#include <optional>

namespace kv::host {
namespace msg = kv::diag::host;
namespace {

// The host lists are flat, so deep nesting only means a broken file; the iterative parser
// keeps such a file from exhausting the stack.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag;

HostError EntryError(const std::string& path, std::size_t index, const char* key,
                     const kv::diag::Message<2>& what) {
    return MakeHostError(path, what, std::to_string(index), key);
}

// Reads entry[key] when it is present with the right JSON type.
bool GetStringKey(const rapidjson::Value& entry, const char* key, std::string& out) {
    const auto it = entry.FindMember(key);
    if (it == entry.MemberEnd() || !it->value.IsString()) return false;
    out.assign(it->value.GetString(), it->value.GetStringLength());
    return true;
}

bool GetIntKey(const rapidjson::Value& entry, const char* key, int& out) {
    const auto it = entry.FindMember(key);
    if (it == entry.MemberEnd() || !it->value.IsInt()) return false;
    out = it->value.GetInt();
    return true;
}

// Parses text as a JSON array of objects; on success doc holds it.
std::optional<HostError> ParseArrayOfObjects(rapidjson::Document& doc, const std::string& text,
                                             const std::string& path) {
    doc.Parse<kParseFlags>(text.data(), text.size());
    if (doc.HasParseError()) {
        return MakeHostError(path, msg::NotJsonAt, rapidjson::GetParseError_En(doc.GetParseError()),
                             std::to_string(doc.GetErrorOffset()));
    }
    if (!doc.IsArray()) return MakeHostError(path, msg::NotArray);
    const auto& items = doc.GetArray();
    for (rapidjson::SizeType i = 0; i < items.Size(); ++i) {
        if (!items[i].IsObject()) {
            return MakeHostError(path, msg::EntryNotObject, std::to_string(i));
        }
    }
    return std::nullopt;
}

}  // namespace

std::string ShortName(const std::string& fullName) {
    const std::size_t dot = fullName.rfind('.');
    return dot == std::string::npos ? fullName : fullName.substr(dot + 1);
}

void FunctionTables::Add(const std::string& name, std::string fullName, int functionNo,
                         int devIndex, std::string methodPath) {
    const std::string shortName = ShortName(fullName);
    functions.push_back(std::make_unique<HostFunction>(std::move(fullName), functionNo, devIndex,
                                                       std::move(methodPath)));
    byName[name].push_back(functions.back().get());
    byShortName[shortName].push_back(functions.back().get());
}

void MidVariableTables::Add(std::string fullName, int devId, std::string sensorPath) {
    const std::string shortName = ShortName(fullName);
    variables.push_back(
        std::make_unique<HostMidVariable>(std::move(fullName), devId, std::move(sensorPath)));
    byShortName[shortName].push_back(variables.back().get());
}

HostResult<FunctionTables> ParseFunctionTables(const std::string& text, const std::string& path) {
    rapidjson::Document doc;
    if (auto error = ParseArrayOfObjects(doc, text, path)) return *error;
    FunctionTables tables;
    std::size_t index = 0;
    for (const auto& entry : doc.GetArray()) {
        std::string name, fullName, methodPath;
        int functionNo = 0, devIndex = 0;
        if (!GetStringKey(entry, "name", name)) {
            return EntryError(path, index, "name", msg::KeyNotString);
        }
        if (!GetStringKey(entry, "fullName", fullName)) {
            return EntryError(path, index, "fullName", msg::KeyNotString);
        }
        if (!GetIntKey(entry, "functionNo", functionNo)) {
            return EntryError(path, index, "functionNo", msg::KeyNotInt);
        }
        if (!GetIntKey(entry, "devIndex", devIndex)) {
            return EntryError(path, index, "devIndex", msg::KeyNotInt);
        }
        if (!GetStringKey(entry, "methodPath", methodPath)) {
            return EntryError(path, index, "methodPath", msg::KeyNotString);
        }
        tables.Add(name, std::move(fullName), functionNo, devIndex, std::move(methodPath));
        ++index;
    }
    return tables;
}

HostResult<MidVariableTables> ParseMidVariableTables(const std::string& text,
                                                     const std::string& path) {
    rapidjson::Document doc;
    if (auto error = ParseArrayOfObjects(doc, text, path)) return *error;
    MidVariableTables tables;
    std::size_t index = 0;
    for (const auto& entry : doc.GetArray()) {
        std::string fullName, sensorPath;
        int devId = 0;
        if (!GetStringKey(entry, "fullName", fullName)) {
            return EntryError(path, index, "fullName", msg::KeyNotString);
        }
        if (!GetIntKey(entry, "devId", devId)) {
            return EntryError(path, index, "devId", msg::KeyNotInt);
        }
        if (!GetStringKey(entry, "sensorPath", sensorPath)) {
            return EntryError(path, index, "sensorPath", msg::KeyNotString);
        }
        tables.Add(std::move(fullName), devId, std::move(sensorPath));
        ++index;
    }
    return tables;
}

}  // namespace kv::host
