// Tasks, timers and step numbers: task lookup, starttimer timers, time points, step names.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "analyzer/AnalyzerMessages.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/NodeAccess.h"
#include "data/KvData.h"
#include "utilo/AsciiCase.h"
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

// The starttimer call that node belongs to: its parent when that is the call, or node itself
// when it is a call written without arguments. Null for anything else.
ISyntaxTreeNode* StartTimerCallOf(ISyntaxTreeNode* node) {
    ISyntaxTreeNode* call = nullptr;
    if (kv::node::IsCallNode(node->GetParent())) {
        call = node->GetParent();
    } else if (kv::node::IsCallNode(node) && node->GetChildren().empty()) {
        call = node;
    }
    if (call == nullptr) return nullptr;
    std::string scratch;
    if (!kv::text::EqualsInAnyCase(kv::node::TextViewOf(call, scratch), kStartTimer))
        return nullptr;
    return call;
}

// The section of root's tree that carries its task markers: of the top's two children, the
// first for the old layout and the second otherwise. Null when the top has not two children.
ISyntaxTreeNode* MarkerSection(ISyntaxTreeNode* root, bool oldLayout) {
    if (root == nullptr) return nullptr;
    ISyntaxTreeNode* top = root->GetRoot();
    if (top == nullptr) return nullptr;
    const std::vector<ISyntaxTreeNode*>& sections = top->GetChildren();
    if (sections.size() != 2) return nullptr;
    return oldLayout ? sections[0] : sections[1];
}

// Whether section is node or one of its ancestors.
bool LiesIn(ISyntaxTreeNode* node, ISyntaxTreeNode* section) {
    for (; node != nullptr; node = node->GetParent()) {
        if (node == section) return true;
    }
    return false;
}

// Whether text is the marker variable of taskId, "task_" followed by the id.
bool IsTaskMarker(std::string_view text, std::string_view taskId) {
    const std::string_view prefix = kTaskMarkerPrefix;
    return text.size() == prefix.size() + taskId.size() && text.starts_with(prefix) &&
           text.substr(prefix.size()) == taskId;
}

}  // namespace

std::string KvSemanticAnalyzer::GetTaskIdByLogicNo(int logicNo) {
    const auto* found = appData->FindLogicTask(logicNo);
    if (found == nullptr) {
        Report(dataHost, msg::LogicNoWithoutTask, NoLine(), std::to_string(logicNo));
        return {};
    }
    if (found->second.empty()) {
        Report(dataHost, msg::LogicNoTaskIdEmpty, NoLine(), found->first);
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
    // The leaves CollectNodes would list, in a list kept from call to call.
    timerLeaves_.clear();
    AppendTokenLeaves(node, timerLeaves_);
    for (ISyntaxTreeNode* entry : timerLeaves_) {
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
    const auto* found = appData->FindLogicTime(logicNo);
    if (found == nullptr) return false;
    if (out != nullptr) *out = found->second;
    return true;
}

bool KvSemanticAnalyzer::OldLayout() {
    // Compared once per version text rather than once per tree.
    std::string version = appData->GetRecipeVersion();
    if (!layoutKnown_ || version != layoutVersion_) {
        oldLayout_ = compareVersion(version, kActionsLayoutVersion) < 0;
        layoutVersion_ = std::move(version);
        layoutKnown_ = true;
    }
    return oldLayout_;
}

void KvSemanticAnalyzer::MakeStepNo(ISyntaxTreeNode* root) { MakeStepNoBase(root, OldLayout()); }

void KvSemanticAnalyzer::MakeStepNoBase(ISyntaxTreeNode* root, bool oldLayout) {
    ISyntaxTreeNode* section = MarkerSection(root, oldLayout);
    if (section == nullptr) return;
    for (ISyntaxTreeNode* entry : treeVisitor->CollectNodes(section)) {
        if (NameStepAt(entry)) return;
    }
}

void KvSemanticAnalyzer::MakeStepNoFromLeaves(ISyntaxTreeNode* root,
                                              const std::vector<ISyntaxTreeNode*>& leaves) {
    // The list holds the leaves of root's tree only when root is that tree's top.
    if (root == nullptr || root->GetRoot() != root) {
        MakeStepNo(root);
        return;
    }
    ISyntaxTreeNode* section = MarkerSection(root, OldLayout());
    if (section == nullptr) return;
    // The section's leaves are the tree's leaves below it, in the same order.
    for (ISyntaxTreeNode* entry : leaves) {
        if (LiesIn(entry, section) && NameStepAt(entry)) return;
    }
}

bool KvSemanticAnalyzer::NameStepAt(ISyntaxTreeNode* entry) {
    IToken* token = TokenOf(entry);
    if (token == nullptr || token->GetType() != kv::TokenType::Name) return false;
    const int logicNo = token->GetLine();
    // One step per line: a line already named ends the search.
    if (stepNames.count(logicNo) != 0) return true;
    const auto* task = appData->FindLogicTask(logicNo);
    if (task == nullptr) return false;
    std::string scratch;
    if (!IsTaskMarker(kv::node::TextViewOf(entry, scratch), task->second)) return false;
    ISyntaxTreeNode* marker = entry->GetParent();
    if (marker == nullptr || marker->GetChildren().size() != 2) return false;
    const std::vector<ISyntaxTreeNode*>& sides = marker->GetChildren();
    IToken* stepToken = TokenOf(entry->IsFirstChild() ? sides[1] : sides[0]);
    if (stepToken == nullptr) return false;
    stepNames.emplace(logicNo, stepToken->GetText());
    return true;
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
