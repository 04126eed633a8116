// Triggers and outputs: the step a tree builds from the sensors it reads and the devices it drives.
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ICFunction.h"
#include "IData.h"
#include "analyzer/AnalyzerMessages.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/NodeAccess.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "utilo/TypeConvert.h"

namespace msg = kv::diag::analyzer;
using kv::diag::AtToken;
using kv::diag::NoLine;
using kv::diag::Report;

using kv::node::TextOf;
using kv::node::TokenOf;

namespace {

constexpr const char* kStepTriggerMethod = "StepTrigger";

// A quantity that is one cooking-parameter reference ("#name") is closed with a second "#".
std::string IngredientVolume(std::string quantity) {
    if (quantity.rfind('#') == 0) quantity += '#';
    return quantity;
}

}  // namespace

std::string KvSemanticAnalyzer::GetLastSpiltStr(std::string text, std::string separator) {
    std::vector<std::string> pieces = commonMethod->Split(text, separator, -1);
    if (pieces.empty()) return {};
    return std::move(pieces.back());
}

ICFunction* KvSemanticAnalyzer::GetFunctionByFullName(const std::string& fullName) {
    const std::string shortName = GetLastSpiltStr(fullName, ".");
    if (shortName.empty()) return nullptr;
    std::vector<ICFunction*> candidates;
    dataHost->FindFunctions(shortName, candidates);
    for (ICFunction* function : candidates) {
        if (function != nullptr && function->GetFullName() == fullName) return function;
    }
    return nullptr;
}

IMidVariable* KvSemanticAnalyzer::GetMidVariableByFullName(const std::string& fullName) {
    const std::string shortName = GetLastSpiltStr(fullName, ".");
    if (shortName.empty()) return nullptr;
    std::vector<IMidVariable*> candidates;
    dataHost->FindMidVariables(shortName, candidates);
    for (IMidVariable* variable : candidates) {
        if (variable != nullptr && variable->GetFullName() == fullName) return variable;
    }
    return nullptr;
}

void KvSemanticAnalyzer::MakeTriggerAndOutPut(std::vector<ISyntaxTreeNode*> nodes) {
    const auto& tasks = appData->GetLogicTaskRelated();
    int logicNo = -1;
    bool lookedUp = false;
    std::string taskId;
    std::string stepName;
    Brisk::RapidJsonHelper::JsonArray<CparItem> sensors;
    std::vector<COutputItem> outputs;
    // A call is reached for itself and once per argument; it gives one output. Calls are told
    // apart by node, not by name and column, which repeat across the lines of a larger tree.
    std::unordered_set<ISyntaxTreeNode*> callsDone;

    for (ISyntaxTreeNode* node : nodes) {
        IToken* token = TokenOf(node);
        if (token == nullptr) continue;
        // A line's task and step are looked up once for all of its nodes.
        if (!lookedUp || token->GetLine() != logicNo) {
            lookedUp = true;
            logicNo = token->GetLine();
            // Looked up in place: a line missing from the table must stay missing, so that the
            // task lookup of a later phase still reports it as such.
            const auto task = tasks.find(std::to_string(logicNo));
            taskId = task != tasks.end() ? task->second : std::string();
            const auto step = stepNames.find(logicNo);
            if (step == stepNames.end()) return;
            stepName = step->second;
        }

        if (token->GetType() == kv::TokenType::Name) {
            IMidVariable* variable = GetMidVariableByFullName(token->GetText());
            if (variable == nullptr) continue;
            const int devId = variable->GetDevId();
            if (devId < 0) continue;
            CparItem sensor;
            sensor.sensor = GetLastSpiltStr(variable->GetSensorPath(), ".");
            if (sensor.sensor.empty()) continue;
            sensor.devid = std::to_string(devId);
            sensors.push_back(std::move(sensor));
            continue;
        }

        ISyntaxTreeNode* call = nullptr;
        if (token->GetType() == kv::TokenType::Function) {
            call = node;
        } else if (kv::node::IsCallNode(node->GetParent())) {
            call = node->GetParent();
        }
        if (call == nullptr || !callsDone.insert(call).second) continue;

        IToken* callToken = call->GetToken();
        const std::string name = callToken->GetText();
        ICFunction* function = GetFunctionByFullName(name);
        if (function == nullptr) continue;
        const int devIndex = function->GetDevIndex();
        if (devIndex < 0) continue;
        std::string method = GetLastSpiltStr(function->GetMethodPath(), ".");
        if (method.empty()) continue;

        const auto& descriptors = appData->GetFunParValueDes();
        const auto descriptor = descriptors.find(name);
        if (descriptor == descriptors.end()) {
            Report(dataHost, msg::FunParDesMissing, AtToken(callToken), name);
            return;
        }
        const CFunctionParasValueDes& des = descriptor->second;
        const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
        // An array parameter takes its arguments in groups, as the checker and formatter count.
        if (!des.FitsArgumentCount(arguments.size())) {
            Report(dataHost, msg::ParamCountWrong, AtToken(callToken));
            return;
        }
        COutputItem output;
        output.method = std::move(method);
        output.devindex = std::to_string(devIndex);
        for (size_t i = 0; i < arguments.size(); ++i) {
            // A name given twice (or repeated by the array's groups) keeps its first argument.
            output.par.entries.emplace(des.ParameterFor(i).name, TextOf(arguments[i]));
        }
        outputs.push_back(std::move(output));
    }
    if (sensors.empty() && outputs.empty()) return;

    CStepInfo built;
    const auto counted = taskTriggerCount.find(taskId);
    int counter = counted != taskTriggerCount.end() ? counted->second : 0;
    if (!sensors.empty()) {
        CTriggerItem trigger;
        trigger.cmdid = std::to_string(++counter);
        trigger.method = kStepTriggerMethod;
        trigger.par = std::move(sensors);
        built.trigger.push_back(std::move(trigger));
    }
    // Outputs are listed and numbered from the last call back to the first, after the trigger.
    for (auto output = outputs.rbegin(); output != outputs.rend(); ++output) {
        output->cmdid = std::to_string(++counter);
        built.output.push_back(std::move(*output));
    }
    built.id = stepName;
    built.logicNo = logicNo;
    built.visibleStep = 1;
    built.visibleId = typeConvert->ToInt(stepName, nullptr, 10);

    const auto& logicInfo = appData->GetLogicInfoMap();
    const auto logic = logicInfo.find(logicNo);
    if (logic != logicInfo.end()) {
        const auto& materials = appData->GetMaterial();
        for (const CMaterialQuantity& material : logic->second.materialList) {
            const auto code = materials.find(material.name);
            if (code == materials.end()) {
                Report(dataHost, msg::IngredientIdMissing, NoLine(), material.name);
                return;
            }
            CIngredient ingredient;
            ingredient.ssnid = code->second;
            ingredient.vol = IngredientVolume(material.quantity);
            built.ingredient.push_back(std::move(ingredient));
        }
        built.visibleStep = logic->second.visibleStep;
        built.visibleId = logic->second.visibleId;
    }

    // Only a compile into the task table reads the steps; an image compile has checked all it
    // must by now and keeps none of them.
    if (appData->vmAppFileType == 0) return;
    // The numbers are given out only once the step is sure to be stored.
    taskTriggerCount[taskId] = counter;
    const std::string stepKey = taskId + "." + stepName;
    const auto [existing, inserted] = steps.try_emplace(stepKey, std::move(built));
    if (inserted) return;
    // The same step built again (from another tree) adds its commands to the first one.
    CStepInfo& first = existing->second;
    for (CTriggerItem& trigger : built.trigger) first.trigger.push_back(std::move(trigger));
    for (COutputItem& output : built.output) first.output.push_back(std::move(output));
}

void KvSemanticAnalyzer::ChangeFunParNode(ISyntaxTreeNode* call, const std::string& text) {
    if (call == nullptr) return;
    const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
    if (arguments.empty()) return;
    if (IToken* first = TokenOf(arguments.front())) {
        first->SetText(text);
        first->SetType(kv::TokenType::Literal);
    }
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (IToken* other = TokenOf(arguments[i])) other->SetText("");
    }
}
