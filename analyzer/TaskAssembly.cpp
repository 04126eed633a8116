// Task table assembly: steps into their tasks with durations, timer lists, and the VM data set.
#include <algorithm>
#include <climits>
#include <map>
#include <string>

#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/NodeAccess.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "utilo/NumberText.h"
#include "utilo/TypeConvert.h"

namespace {

// A duration as decimal text; the difference is taken wide so that no time pair can overflow,
// and a negative one counts as 0.
std::string Duration(long long end, long long start) {
    return std::to_string(std::max(end - start, 0LL));
}

// For every logic number with a time: the time of the last logic number of the unbroken run of
// timed logic numbers that starts there. Built once, so that each last step finds the end of
// its run without walking it.
std::map<int, int> RunEnds(const std::map<int, int>& times) {
    std::map<int, int> ends;
    long long nextKey = 0;
    int nextEnd = 0;
    bool hasNext = false;
    for (auto time = times.rbegin(); time != times.rend(); ++time) {
        const bool continues = hasNext && static_cast<long long>(time->first) + 1 == nextKey;
        const int end = continues ? nextEnd : time->second;
        ends.emplace_hint(ends.begin(), time->first, end);
        nextKey = time->first;
        nextEnd = end;
        hasNext = true;
    }
    return ends;
}

}  // namespace

void KvSemanticAnalyzer::AddStep2TaskInfo() {
    const std::map<int, int>& times = appData->logicTimeMap;
    const std::map<int, int> runEnds = RunEnds(times);

    for (auto& [stepKey, step] : steps) {
        const std::string stepName = GetLastSpiltStr(stepKey, ".");
        const size_t taskLength =
            stepKey.size() > stepName.size() ? stepKey.size() - stepName.size() - 1 : 0;
        const std::string taskId = stepKey.substr(0, taskLength);

        const int first = step.logicNo;
        int startTime = 0;
        FindLogicTime(first, &startTime);
        step.time = "0";

        // The next step of the same task is the one numbered one higher. A step name past the
        // int range, or at its end, has no next number.
        const int number = typeConvert->ToInt(stepName, nullptr, 10);
        const long long leading = kv::number::LeadingInteger(stepName).value_or(0);
        const bool numbered = leading >= INT_MIN && leading <= INT_MAX && number < INT_MAX;
        const auto next =
            numbered ? steps.find(commonMethod->Format("%s.%d", taskId.c_str(), number + 1))
                     : steps.end();
        if (next != steps.end()) {
            // The latest time point from the next step's line back to this step's own.
            const int last = next->second.logicNo;
            auto time = times.upper_bound(last);
            if (time != times.begin() && (--time)->first >= first) {
                step.time = Duration(time->second, startTime);
            }
        } else {
            // The last step of its task lasts until the end of the run of time points that
            // starts on its own line.
            const auto end = runEnds.find(first);
            step.time = Duration(end != runEnds.end() ? end->second : 0, startTime);
        }

        const auto task = appData->taskInfo.find(taskId);
        if (task != appData->taskInfo.end()) task->second.step.push_back(step);
    }

    // Stable, so that steps with the same number keep the order they were added in.
    for (auto& [taskId, task] : appData->taskInfo) {
        std::stable_sort(task.step.begin(), task.step.end());
    }
}

void KvSemanticAnalyzer::MakeAppVmTaskInfo() {
    for (auto& [taskId, task] : appData->taskInfo) {
        task.timerId.clear();
        const auto timers = taskTimers.find(taskId);
        if (timers == taskTimers.end()) continue;
        for (const int timer : timers->second) task.timerId.push_back(timer);
    }
}

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
