// WokFunctions: the device functions and sensors of the task-building tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/TestHost.h"

namespace kv::test {

// The wok of the tests: heat(temp, time) and stir(speed) drive devices 0 and 1, wait() drives
// none, starttimer is the host's built-in; pot.temp reads the wok's temperature sensor.
inline void AddWok(TestData& data) {
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
