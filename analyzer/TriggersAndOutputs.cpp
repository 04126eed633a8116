// Triggers and outputs: the step a tree builds from the sensors it reads and the devices it drives.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ICFunction.h"
#include "IData.h"
#include "analyzer/AnalyzerMessages.h"
#include "analyzer/FewNodes.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "analyzer/NamePieces.h"
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
using kv::node::TextViewOf;
using kv::node::TokenOf;

namespace {

constexpr const char* kStepTriggerMethod = "StepTrigger";
// The task id of a line missing from the logic-task table.
const std::string kNoTask;

// A quantity that is one cooking-parameter reference ("#name") is closed with a second "#".
std::string IngredientVolume(std::string quantity) {
    if (quantity.rfind('#') == 0) quantity += '#';
    return quantity;
}

}  // namespace

std::string KvSemanticAnalyzer::GetLastSpiltStr(std::string text, std::string separator) {
    return std::string(kv::name::LastPiece(text, separator));
}

ICFunction* KvSemanticAnalyzer::GetFunctionByFullName(const std::string& fullName) {
    return FunctionByFullName(fullName);
}

IMidVariable* KvSemanticAnalyzer::GetMidVariableByFullName(const std::string& fullName) {
    return MidVariableByFullName(fullName);
}

ICFunction* KvSemanticAnalyzer::FunctionByFullName(std::string_view fullName) {
    const std::string_view shortName = kv::name::LastPiece(fullName, ".");
    if (shortName.empty()) return nullptr;
    // The scratch text and list keep their storage from one lookup to the next.
    lookupName_.assign(shortName);
    foundFunctions_.clear();
    dataHost->FindFunctions(lookupName_, foundFunctions_);
    for (ICFunction* function : foundFunctions_) {
        if (function != nullptr && function->GetFullName() == fullName) return function;
    }
    return nullptr;
}

IMidVariable* KvSemanticAnalyzer::MidVariableByFullName(std::string_view fullName) {
    const std::string_view shortName = kv::name::LastPiece(fullName, ".");
    if (shortName.empty()) return nullptr;
    lookupName_.assign(shortName);
    foundVariables_.clear();
    dataHost->FindMidVariables(lookupName_, foundVariables_);
    for (IMidVariable* variable : foundVariables_) {
        if (variable != nullptr && variable->GetFullName() == fullName) return variable;
    }
    return nullptr;
}

void KvSemanticAnalyzer::MakeTriggerAndOutPut(std::vector<ISyntaxTreeNode*> nodes) {
    BuildStep(nodes);
}

void KvSemanticAnalyzer::BuildStep(const std::vector<ISyntaxTreeNode*>& nodes) {
    // Only a compile into the task table reads the steps. An image compile makes every check
    // of the walk, and every report, in the same order, but builds nothing the step carries.
    const bool keepStep = appData->vmAppFileType != 0;
    int logicNo = -1;
    // Points into stepNames, which nothing changes during the walk.
    const std::string* stepName = nullptr;
    bool collected = false;
    Brisk::RapidJsonHelper::JsonArray<CparItem> sensors;
    std::vector<COutputItem> outputs;
    // A call is reached once per argument; it gives one output. Calls are told apart by node,
    // not by name and column, which repeat across the lines of a larger tree.
    callsDone_.Clear();
    ISyntaxTreeNode* lastCall = nullptr;

    for (ISyntaxTreeNode* node : nodes) {
        IToken* token = TokenOf(node);
        if (token == nullptr) continue;
        // A line's step is looked up once for all of its nodes.
        if (stepName == nullptr || token->GetLine() != logicNo) {
            logicNo = token->GetLine();
            const auto step = stepNames.find(logicNo);
            if (step == stepNames.end()) return;
            stepName = &step->second;
        }

        if (token->GetType() == kv::TokenType::Name) {
            IMidVariable* variable = MidVariableByFullName(TextViewOf(node, nameText_));
            if (variable == nullptr) continue;
            const int devId = variable->GetDevId();
            if (devId < 0) continue;
            const std::string sensorPath = variable->GetSensorPath();
            const std::string_view sensor = kv::name::LastPiece(sensorPath, ".");
            if (sensor.empty()) continue;
            collected = true;
            if (!keepStep) continue;
            CparItem item;
            item.sensor = sensor;
            item.devid = std::to_string(devId);
            sensors.push_back(std::move(item));
            continue;
        }

        ISyntaxTreeNode* call = nullptr;
        if (token->GetType() == kv::TokenType::Function) {
            call = node;
        } else if (kv::node::IsCallNode(node->GetParent())) {
            call = node->GetParent();
        }
        // The arguments of a call mostly follow each other: the last call settles them cheaply.
        if (call == nullptr || call == lastCall || !callsDone_.Insert(call).second) continue;
        lastCall = call;

        IToken* callToken = call->GetToken();
        // Read in place: building the step rewrites nothing.
        const std::string_view name = TextViewOf(call, nameText_);
        ICFunction* function = FunctionByFullName(name);
        if (function == nullptr) continue;
        const int devIndex = function->GetDevIndex();
        if (devIndex < 0) continue;
        const std::string methodPath = function->GetMethodPath();
        const std::string_view method = kv::name::LastPiece(methodPath, ".");
        if (method.empty()) continue;

        const auto* descriptor = appData->FindFunParValueDes(name);
        if (descriptor == nullptr) {
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
        collected = true;
        if (!keepStep) continue;
        COutputItem output;
        output.method = method;
        output.devindex = std::to_string(devIndex);
        for (size_t i = 0; i < arguments.size(); ++i) {
            // A name given twice (or repeated by the array's groups) keeps its first argument.
            output.par.entries.emplace(des.ParameterFor(i).name, TextOf(arguments[i]));
        }
        outputs.push_back(std::move(output));
    }
    if (!collected) return;

    CStepInfo built;
    // The host ends the lines in order: the next line's ingredients are looked up next, and
    // each lookup would otherwise wait for the memory of a table larger than the cache.
    appData->PrefetchMaterialsAfter(logicNo);
    const auto* logic = appData->FindLogicInfo(logicNo);
    if (logic != nullptr) {
        for (const CMaterialQuantity& material : logic->second.materialList) {
            const auto* code = appData->FindMaterial(material.name);
            if (code == nullptr) {
                Report(dataHost, msg::IngredientIdMissing, NoLine(), material.name);
                return;
            }
            if (!keepStep) continue;
            CIngredient ingredient;
            ingredient.ssnid = code->second;
            ingredient.vol = IngredientVolume(material.quantity);
            built.ingredient.push_back(std::move(ingredient));
        }
    }
    // An image compile has checked all it must by now and keeps no step.
    if (!keepStep) return;

    // The task of the last line. Looked up in place: a line missing from the table must stay
    // missing, so that the task lookup of a later phase still reports it as such.
    const auto* task = appData->FindLogicTask(logicNo);
    const std::string& taskId = task != nullptr ? task->second : kNoTask;
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
    built.id = *stepName;
    built.logicNo = logicNo;
    if (logic != nullptr) {
        built.visibleStep = logic->second.visibleStep;
        built.visibleId = logic->second.visibleId;
    } else {
        built.visibleStep = 1;
        built.visibleId = typeConvert->ToInt(*stepName, nullptr, 10);
    }

    // The numbers are given out only once the step is sure to be stored.
    taskTriggerCount[taskId] = counter;
    const std::string stepKey = taskId + "." + *stepName;
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
