// KvDataChecks: the table checks run while loading; each reports its first problem.
#include "data/KvData.h"

bool KvData::CheckFunparDesc(IData* data,
                             const std::map<std::string, CFunctionParasValueDes>& descriptors) {
    for (const auto& [functionKey, descriptor] : descriptors) {
        if (!descriptor.CheckData(data, functionKey)) return false;
    }
    return true;
}

bool KvData::CheckMaterialData(IData* data, std::span<const CMaterial> materials) {
    for (const CMaterial& material : materials) {
        if (!material.CheckData(data)) return false;
    }
    return true;
}

bool KvData::CheckUnitData(IData* data, std::span<const CUnit> units) {
    for (const CUnit& entry : units) {
        if (!entry.CheckData(data)) return false;
    }
    return true;
}

bool KvData::CheckTaskInfo(IData* data, const std::map<std::string, CAppVmTaskInfo>& tasks) {
    for (const auto& [taskKey, task] : tasks) {
        if (!task.CheckData(data, taskKey)) return false;
    }
    return true;
}
