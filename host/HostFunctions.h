// HostFunctions: the host's callable functions and intermediate variables, read from the
// bundle's host/functions.json and host/midVariables.json.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ICFunction.h"
#include "host/HostError.h"

namespace kv::host {

class HostFunction final : public ICFunction {
public:
    HostFunction(std::string fullName, int functionNo, int devIndex, std::string methodPath)
        : fullName_(std::move(fullName)),
          functionNo_(functionNo),
          devIndex_(devIndex),
          methodPath_(std::move(methodPath)) {}

    int GetDevIndex() override { return devIndex_; }
    int GetFunctionNo() override { return functionNo_; }
    std::string GetFullName() override { return fullName_; }
    std::string GetMethodPath() override { return methodPath_; }

private:
    std::string fullName_;
    int functionNo_;
    int devIndex_;
    std::string methodPath_;
};

class HostMidVariable final : public IMidVariable {
public:
    HostMidVariable(std::string fullName, int devId, std::string sensorPath)
        : fullName_(std::move(fullName)), devId_(devId), sensorPath_(std::move(sensorPath)) {}

    int GetDevId() override { return devId_; }
    std::string GetFullName() override { return fullName_; }
    std::string GetSensorPath() override { return sensorPath_; }

private:
    std::string fullName_;
    int devId_;
    std::string sensorPath_;
};

// The last dotted piece of a full name (the whole name when it has no dot).
std::string ShortName(const std::string& fullName);

// Owns the functions and answers the three lookups IData offers, without copying.
struct FunctionTables {
    // Adds a function under the name recipes call it by.
    void Add(const std::string& name, std::string fullName, int functionNo, int devIndex,
             std::string methodPath);

    std::vector<std::unique_ptr<HostFunction>> functions;
    // Recipe name -> its functions in file order.
    std::map<std::string, std::vector<ICFunction*>> byName;
    // Short name of fullName -> its functions in file order. Hashed: the library asks for every
    // call it checks, and nothing walks it in order.
    std::unordered_map<std::string, std::vector<ICFunction*>> byShortName;
};

struct MidVariableTables {
    void Add(std::string fullName, int devId, std::string sensorPath);

    std::vector<std::unique_ptr<HostMidVariable>> variables;
    // Short name -> its variables in file order; hashed as the functions are.
    std::unordered_map<std::string, std::vector<IMidVariable*>> byShortName;
};

// Parses functions.json text: [{"name","fullName","functionNo","devIndex","methodPath"}].
// path names the file in errors.
HostResult<FunctionTables> ParseFunctionTables(const std::string& text, const std::string& path);

// Parses midVariables.json text: [{"fullName","devId","sensorPath"}].
HostResult<MidVariableTables> ParseMidVariableTables(const std::string& text,
                                                     const std::string& path);

}  // namespace kv::host
