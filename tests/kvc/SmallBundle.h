// SmallBundle: the bundle most kvc tests compile against: a version, one mapped line (3, task
// t1), an empty parameter table, a task table split over two rows, no host functions.
#pragma once

#include <string>

#include "host/TestTempDir.h"

namespace kv::test {

// Writes the bundle into dir at folder (relative to dir).
inline void WriteSmallBundle(const TestTempDir& dir, const std::string& folder) {
    dir.Write(folder + "/appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"1.2\"}");
    dir.Write(folder + "/appParameterDataLc/logicTaskRelated.json", "{\"3\":\"t1\"}");
    dir.Write(folder + "/appParameterDataVm/appPar.json", "{ }");
    dir.Write(folder + "/appParameterDataVm/taskInfo/a.json", "{ }");
    dir.Write(folder + "/appParameterDataVm/taskInfo/b.json", "{ }");
    dir.Write(folder + "/host/functions.json", "[]");
}

}  // namespace kv::test
