// Tasks, timers and step numbers: task lookup, starttimer timers, time points, step names.
#include <algorithm>
#include <string>
#include <vector>

#include "analyzer/AnalyzerMessages.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/NodeAccess.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "utilo/NumberText.h"

namespace msg = kv::diag::analyzer;
using kv::diag::AtToken;
using kv::diag::NoLine;
using kv::diag::Report;

using kv::node::TextOf;
using kv::node::TokenOf;

namespace {

constexpr const char* kStartTimer = "starttimer";
constexpr const char* kTaskMarkerPrefix = "task_";
// Recipes older than this carry their task markers in the conditions section.
constexpr const char* kActionsLayoutVersion = "2.2";

// ASCII lower case only, so that multi-byte names pass through unchanged.
std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The starttimer call that node belongs to: its parent when that is the call, or node itself
// when it is a call written without arguments. Null for anything else.
ISyntaxTreeNode* StartTimerCallOf(ISyntaxTreeNode* node) {
    ISyntaxTreeNode* call = nullptr;
    if (kv::node::IsCallNode(node->GetParent())) {
        call = node->GetParent();
    } else if (kv::node::IsCallNode(node) && node->GetChildren().empty()) {
        call = node;
    }
    if (call == nullptr || AsciiLower(call->GetToken()->GetText()) != kStartTimer) return nullptr;
    return call;
}

}  // namespace

std::string KvSemanticAnalyzer::GetTaskIdByLogicNo(int logicNo) {
    const std::string key = std::to_string(logicNo);
    const auto& tasks = appData->GetLogicTaskRelated();
    const auto found = tasks.find(key);
    if (found == tasks.end()) {
        Report(dataHost, msg::LogicNoWithoutTask, NoLine(), key);
        return {};
    }
    if (found->second.empty()) {
        Report(dataHost, msg::LogicNoTaskIdEmpty, NoLine(), key);
        return {};
    }
    return found->second;
}

void KvSemanticAnalyzer::AddTaskTimerId(ISyntaxTreeNode* node) {
    TimerCalls seen;
    AddTaskTimerId(node, seen);
}

void KvSemanticAnalyzer::AddTaskTimerId(ISyntaxTreeNode* node, TimerCalls& seen) {
    if (node == nullptr) return;
    for (ISyntaxTreeNode* entry : treeVisitor->CollectNodes(node)) {
        if (entry == nullptr) continue;
        ISyntaxTreeNode* call = StartTimerCallOf(entry);
        if (call == nullptr) continue;
        // A call is reached once per argument, and again from every listed node above it; its
        // outcome is settled the first time, so nothing is reported twice.
        const auto [known, fresh] = seen.try_emplace(call, true);
        bool& endsWalk = known->second;
        if (!fresh) {
            if (endsWalk) return;
            continue;
        }
        IToken* callToken = call->GetToken();
        const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
        if (arguments.empty()) {
            Report(dataHost, msg::TimerWithoutArguments, AtToken(callToken),
                   callToken->GetSourceText());
            return;
        }
        const std::string taskId = GetTaskIdByLogicNo(callToken->GetLine());
        const std::string timer = TextOf(arguments.front());
        // Argument kinds are the checkers' business: a word here just ends the walk.
        if (!commonMethod->IsNumber(timer)) return;
        const std::optional<int> number = kv::number::LeadingInt(timer);
        if (!number) {
            Report(dataHost, msg::TimerIdOutOfRange, AtToken(callToken), timer);
            return;
        }
        // A failed task lookup (reported) files the timer under the empty task id.
        taskTimers[taskId].insert(*number);
        endsWalk = false;
    }
}

bool KvSemanticAnalyzer::FindLogicTime(int logicNo, int* out) {
    if (out != nullptr) *out = 0;
    const auto found = appData->logicTimeMap.find(logicNo);
    if (found == appData->logicTimeMap.end()) return false;
    if (out != nullptr) *out = found->second;
    return true;
}

void KvSemanticAnalyzer::MakeStepNo(ISyntaxTreeNode* root) {
    // Compared once per version text rather than once per tree.
    std::string version = appData->GetRecipeVersion();
    if (!layoutKnown_ || version != layoutVersion_) {
        oldLayout_ = compareVersion(version, kActionsLayoutVersion) < 0;
        layoutVersion_ = std::move(version);
        layoutKnown_ = true;
    }
    MakeStepNoBase(root, oldLayout_);
}

void KvSemanticAnalyzer::MakeStepNoBase(ISyntaxTreeNode* root, bool oldLayout) {
    if (root == nullptr) return;
    ISyntaxTreeNode* top = root->GetRoot();
    if (top == nullptr) return;
    const std::vector<ISyntaxTreeNode*>& sections = top->GetChildren();
    if (sections.size() != 2) return;
    ISyntaxTreeNode* section = oldLayout ? sections[0] : sections[1];
    if (section == nullptr) return;

    const auto& tasks = appData->GetLogicTaskRelated();
    for (ISyntaxTreeNode* entry : treeVisitor->CollectNodes(section)) {
        IToken* token = TokenOf(entry);
        if (token == nullptr || token->GetType() != kv::TokenType::Name) continue;
        const int logicNo = token->GetLine();
        // One step per line: a line already named ends the search.
        if (stepNames.count(logicNo) != 0) return;
        const auto task = tasks.find(std::to_string(logicNo));
        if (task == tasks.end()) continue;
        if (token->GetText() != kTaskMarkerPrefix + task->second) continue;
        ISyntaxTreeNode* marker = entry->GetParent();
        if (marker == nullptr || marker->GetChildren().size() != 2) continue;
        const std::vector<ISyntaxTreeNode*>& sides = marker->GetChildren();
        IToken* stepToken = TokenOf(entry->IsFirstChild() ? sides[1] : sides[0]);
        if (stepToken == nullptr) continue;
        stepNames.emplace(logicNo, stepToken->GetText());
        return;
    }
}

void splitToInt(std::string text, std::vector<int>* out) {
    if (out == nullptr) return;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '.') continue;
        // Saturating keeps the order of versions whose pieces are too large for an int.
        const long long piece =
            kv::number::LeadingInteger(text.substr(start, i - start)).value_or(0);
        out->push_back(static_cast<int>(std::clamp<long long>(piece, INT_MIN, INT_MAX)));
        start = i + 1;
    }
}

int compareVersion(std::string a, std::string b) {
    std::vector<int> left;
    std::vector<int> right;
    splitToInt(std::move(a), &left);
    splitToInt(std::move(b), &right);
    const size_t shared = std::min(left.size(), right.size());
    for (size_t i = 0; i < shared; ++i) {
        if (left[i] > right[i]) return 1;
        if (left[i] < right[i]) return -1;
    }
    return 0;
}
