// Task table assembly: the VM data set gathered from the application data.
#include "analyzer/KvSemanticAnalyzer.h"
#include "data/KvData.h"

KvVmData KvSemanticAnalyzer::GetKvVmData() {
    KvVmData vmData;
    vmData.appVariable = appData->appVariable;
    vmData.defaultData = appData->defaultData;
    vmData.expandContent = appData->expandContent;

    for (const auto& [key, par] : appData->appPar) {
        CAppVmParBin entry;
        entry.key = key;
        entry.attachKeys = par.attachKeys;
        for (const auto& [name, value] : par.attachData) {
            entry.attachData[name].items = {value.src, value.dst};
        }
        vmData.appPar.push_back(std::move(entry));
    }

    // The task id lives only in the map key; the image needs it inside the record.
    for (auto& [taskId, task] : appData->taskInfo) {
        task.taskId = taskId;
        vmData.appTask.push_back(task);
    }
    return vmData;
}
