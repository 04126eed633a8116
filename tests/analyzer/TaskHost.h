// TaskHost: an in-memory host that also knows device functions and intermediate variables.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ICFunction.h"
#include "support/FakeHost.h"

namespace kv::test {

class TaskHost : public FakeData {
public:
    // Adds a function under the name recipes use; FindFunctions matches fullName's last piece.
    void AddFunction(const std::string& name, const std::string& fullName, int functionNo,
                     int devIndex, const std::string& methodPath) {
        functions_.push_back(
            std::make_unique<Function>(fullName, functionNo, devIndex, methodPath));
        table_[name].push_back(functions_.back().get());
    }
    void AddMidVariable(const std::string& fullName, int devId, const std::string& sensorPath) {
        variables_.push_back(std::make_unique<MidVariable>(fullName, devId, sensorPath));
    }

    void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) override {
        for (const auto& function : functions_) {
            if (LastPiece(function->fullName) == shortName) out.push_back(function.get());
        }
    }
    void FindMidVariables(const std::string& shortName, std::vector<IMidVariable*>& out) override {
        for (const auto& variable : variables_) {
            if (LastPiece(variable->fullName) == shortName) out.push_back(variable.get());
        }
    }
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return table_;
    }

private:
    struct Function : ICFunction {
        Function(std::string full, int no, int dev, std::string method)
            : fullName(std::move(full)),
              functionNo(no),
              devIndex(dev),
              methodPath(std::move(method)) {}
        int GetDevIndex() override { return devIndex; }
        int GetFunctionNo() override { return functionNo; }
        std::string GetFullName() override { return fullName; }
        std::string GetMethodPath() override { return methodPath; }
        std::string fullName;
        int functionNo;
        int devIndex;
        std::string methodPath;
    };
    struct MidVariable : IMidVariable {
        MidVariable(std::string full, int dev, std::string sensor)
            : fullName(std::move(full)), devId(dev), sensorPath(std::move(sensor)) {}
        int GetDevId() override { return devId; }
        std::string GetFullName() override { return fullName; }
        std::string GetSensorPath() override { return sensorPath; }
        std::string fullName;
        int devId;
        std::string sensorPath;
    };

    static std::string LastPiece(const std::string& text) {
        const size_t dot = text.rfind('.');
        return dot == std::string::npos ? text : text.substr(dot + 1);
    }

    std::vector<std::unique_ptr<Function>> functions_;
    std::vector<std::unique_ptr<MidVariable>> variables_;
    std::map<std::string, std::vector<ICFunction*>> table_;
};

// The wok of the tests: heat(temp, time) and stir(speed) drive devices 0 and 1, wait() drives
// none, starttimer is the host's built-in; pot.temp reads the wok's temperature sensor.
inline void AddWok(TaskHost& data) {
    data.AddFunction("heat", "heat", 1, 0, "wok.heater.setHeat");
    data.AddFunction("stir", "stir", 2, 1, "wok.stirrer.setSpeed");
    data.AddFunction("wait", "wait", 3, -1, "system.wait");
    data.AddFunction("starttimer", "system.timer.starttimer", -1, -1, "system.timer.start");
    data.AddMidVariable("pot.temp", 0, "wok.sensor.temp");
    data.AddTable("appParameterDataLc", "functionParasValueDes",
                  R"({"heat":{"par":[{"name":"temp"},{"name":"time"}]},)"
                  R"("stir":{"par":[{"name":"speed"}]},"wait":{"par":[]},)"
                  R"("starttimer":{"par":[{"name":"timerId"}]}})");
}

}  // namespace kv::test
