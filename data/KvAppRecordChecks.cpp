// KvAppRecordChecks: the content checks of single application records.
#include "data/DataMessages.h"
#include "data/KvAppRecords.h"

bool CFunPar::CheckData(IData* data, const std::string& functionKey) const {
    if (!name.empty()) return true;
    data_msg::Report(data, data_msg::Id::FunParNameMissing, functionKey);
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
    data_msg::Report(data, data_msg::Id::MaterialIdMissing, name);
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
        data_msg::ReportAt(data, data_msg::Id::UnitOffsetMissing, srcename);
        return false;
    }
    if (IsUnsetFloat(ratio)) {
        data_msg::ReportAt(data, data_msg::Id::UnitRatioMissing, srcename);
        return false;
    }
    return true;
}

bool CLogicInfo::CheckData(IData* data) const {
    if (logicNo == kAppIntUnset) {
        data_msg::ReportAt(data, data_msg::Id::LogicNoMissing);
        return false;
    }
    if (visibleStep == kAppIntUnset) {
        data_msg::ReportAt(data, data_msg::Id::VisibleStepMissing);
        return false;
    }
    if (visibleId == kAppIntUnset) {
        data_msg::ReportAt(data, data_msg::Id::VisibleIdMissing);
        return false;
    }
    for (const CMaterialQuantity& material : materialList) {
        if (material.name.empty()) {
            data_msg::ReportAt(data, data_msg::Id::LogicMaterialNameMissing,
                               std::to_string(logicNo));
            return false;
        }
        if (material.quantity.empty()) {
            data_msg::ReportAt(data, data_msg::Id::LogicMaterialQuantityMissing,
                               std::to_string(logicNo));
            return false;
        }
    }
    return true;
}
