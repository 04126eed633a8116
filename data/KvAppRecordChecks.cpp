// KvAppRecordChecks: the content checks of single application records.
#include "data/DataMessages.h"
#include "data/KvAppRecords.h"

namespace msg = kv::diag::data;
using kv::diag::NoLine;
using kv::diag::Nowhere;
using kv::diag::Report;

bool CFunPar::CheckData(IData* data, const std::string& functionKey) const {
    if (!name.empty()) return true;
    Report(data, msg::FunParNameMissing, Nowhere(), functionKey);
    return false;
}

bool CArrayPar::CheckData(IData* data, const std::string& functionKey) const {
    for (const CFunPar& element : par) {
        if (!element.CheckData(data, functionKey)) return false;
    }
    return true;
}

bool CFunctionParasValueDes::CheckData(IData* data, const std::string& functionKey) const {
    for (const CFunPar& parameter : par) {
        if (!parameter.CheckData(data, functionKey)) return false;
    }
    if (arrayPar.name.empty()) return true;
    return arrayPar.CheckData(data, functionKey);
}

bool CMaterial::CheckData(IData* data) const {
    if (!code.empty()) return true;
    Report(data, msg::MaterialIdMissing, Nowhere(), name);
    return false;
}

namespace {

// A number the table left out keeps the sentinel; anything within a hair of it (the
// difference taken in single precision) counts as left out.
bool IsUnsetFloat(float value) {
    const float difference = value - kAppFloatUnset;
    return difference >= -1e-5f && difference <= 1e-5f;
}

}  // namespace

bool CUnit::CheckData(IData* data) const {
    if (IsUnsetFloat(offset)) {
        Report(data, msg::UnitOffsetMissing, NoLine(), srcename);
        return false;
    }
    if (IsUnsetFloat(ratio)) {
        Report(data, msg::UnitRatioMissing, NoLine(), srcename);
        return false;
    }
    return true;
}

bool CLogicInfo::CheckData(IData* data) const {
    if (logicNo == kAppIntUnset) {
        Report(data, msg::LogicNoMissing, NoLine());
        return false;
    }
    if (visibleStep == kAppIntUnset) {
        Report(data, msg::VisibleStepMissing, NoLine());
        return false;
    }
    if (visibleId == kAppIntUnset) {
        Report(data, msg::VisibleIdMissing, NoLine());
        return false;
    }
    for (const CMaterialQuantity& material : materialList) {
        if (material.name.empty()) {
            Report(data, msg::LogicMaterialNameMissing, NoLine(), std::to_string(logicNo));
            return false;
        }
        if (material.quantity.empty()) {
            Report(data, msg::LogicMaterialQuantityMissing, NoLine(), std::to_string(logicNo));
            return false;
        }
    }
    return true;
}
