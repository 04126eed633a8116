// KvDataVmVar: the tasks of the VM's application variables, and table write-back.
#include <string_view>
#include <unordered_map>

#include "KvConst.h"
#include "data/DataMessages.h"
#include "data/KvData.h"
#include "data/RowReader.h"

namespace msg = kv::diag::data;
using kv::diag::NoLine;
using kv::diag::Report;

void KvData::makeVmAppVar(IData* host) {
    // Variable key -> the smallest task key that lists it (taskInfo runs in ascending order
    // and the first insertion stays). Views into taskInfo, which does not change here.
    std::unordered_map<std::string_view, std::string_view> taskOfVariable;
    for (const auto& [taskKey, task] : taskInfo) {
        for (const std::string& variableKey : task.varList) {
            taskOfVariable.try_emplace(variableKey, taskKey);
        }
    }
    for (CAppVmVariable& variable : appVariable) {
        const auto task = taskOfVariable.find(variable.appKey);
        if (task != taskOfVariable.end()) {
            variable.belongTaskId.push_back(std::string(task->second));
            continue;
        }
        // A variable no task lists belongs to the tasks of its object: "<object id>.<rest>".
        const size_t dot = variable.appKey.find('.');
        if (dot == std::string::npos || dot == 0) {
            Report(host, msg::VarKeyMalformed, NoLine(), variable.appKey);
            return;
        }
        const std::string objectId = variable.appKey.substr(0, dot);
        const auto object = appObject.find(objectId);
        if (object != appObject.end()) {
            variable.belongTaskId = object->second.taskIdList;
            continue;
        }
        // "-1" is the object of variables that belong to no object.
        if (objectId == "-1") continue;
        Report(host, msg::VarObjectUnknown, NoLine(), variable.appKey);
        return;
    }
}

void KvData::ChangeVmDataValue(const std::string& tableName, const std::string&,
                               const std::string& json) {
    if (data == nullptr) return;
    const auto& databases = data->GetDatabases();
    const auto database = databases.find(KvConst::AppParameterDataVm);
    if (database == databases.end()) return;
    for (IDataTable* table : database->second) {
        if (table == nullptr || table->GetName() != tableName) continue;
        for (const auto& entry : table->GetRecords()) {
            IDataField* field = kv::rows::UsableField(entry.second);
            if (field == nullptr) return;
            field->SetString(json);
        }
        return;
    }
}
