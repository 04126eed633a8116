// TimePointSemanticCodeAnalyze: the time map and the rewrite of time comparisons.
#include "checkers/TimePointSemanticCodeAnalyze.h"

#include <climits>
#include <map>
#include <string>
#include <unordered_set>

#include "IData.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/NodeAccess.h"
#include "checkers/CheckerMessages.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "utilo/NumberText.h"

using kv::node::TokenOf;

namespace {

// The reserved variable of time points; the built-in timeout value it becomes is a catalog
// text, so that the Windows build holds it in GBK like every other host text.
constexpr const char* kTimeName = "time";
constexpr const char* kTimeoutOperator = ">=";

// Whether node's token is the time name; the text is read in place where the tree lends it.
bool IsTimeName(ISyntaxTreeNode* node) {
    IToken* token = TokenOf(node);
    if (token == nullptr || token->GetType() != kv::TokenType::Name) return false;
    std::string scratch;
    return kv::node::TextViewOf(node, scratch) == kTimeName;
}

// The parent of a time name when it is a two-operand node, else null.
ISyntaxTreeNode* ComparisonOf(ISyntaxTreeNode* timeNode) {
    ISyntaxTreeNode* parent = timeNode->GetParent();
    return parent != nullptr && parent->GetChildren().size() == 2 ? parent : nullptr;
}

}  // namespace

TimePointSemanticCodeAnalyze::TimePointSemanticCodeAnalyze(IData* host, KvData* application)
    : dataHost(host),
      appData(application),
      visitor(newSyntaxTreeVistor(host)),
      commonMethod(newCommonMethod()) {}

TimePointSemanticCodeAnalyze::~TimePointSemanticCodeAnalyze() = default;

bool TimePointSemanticCodeAnalyze::Analyze(ISyntaxTreeNode* node,
                                           std::vector<ISyntaxTreeNode*>* nodes) {
    if (dataHost == nullptr || appData == nullptr) return false;
    IToken* value = TokenOf(node);
    if (value == nullptr) return false;
    if (value->GetType() != kv::TokenType::Unknown && value->GetType() != kv::TokenType::Literal) {
        return false;
    }
    ISyntaxTreeNode* comparison = node->GetParent();
    if (comparison == nullptr || comparison->GetChildren().size() != 2) return false;
    ISyntaxTreeNode* timeNode = comparison->GetChildren().front();
    if (!IsTimeName(timeNode)) return false;
    IToken* time = TokenOf(timeNode);

    MakeTimeMap(nodes);
    if (kv::diag::HasError(dataHost)) return false;
    const int line = time->GetLine();
    const auto* current = appData->FindLogicTime(line);
    if (current == nullptr) return false;

    time->SetText(kv::diag::checker::TimeoutValueText.format);
    if (IToken* op = comparison->GetToken()) op->SetText(kTimeoutOperator);
    const auto* previous = line > INT_MIN ? appData->FindLogicTime(line - 1) : nullptr;
    if (previous != nullptr) {
        // Widened: the difference of two ints need not fit an int.
        const long long elapsed =
            static_cast<long long>(current->second) - static_cast<long long>(previous->second);
        value->SetText(std::to_string(elapsed));
    }
    return false;
}

bool TimePointSemanticCodeAnalyze::DeAnalyze(ISyntaxTreeNode* /*node*/) { return false; }

bool TimePointSemanticCodeAnalyze::GetNeedReSyntaxAnalyze() { return false; }

void TimePointSemanticCodeAnalyze::ReportBadTimePoint() {
    kv::diag::Report(dataHost, kv::diag::checker::TimePointNotInteger,
                     kv::diag::At(badTimePoint->first, badTimePoint->second));
}

void TimePointSemanticCodeAnalyze::MakeTimeMap(std::vector<ISyntaxTreeNode*>* nodes) {
    if (appData == nullptr || nodes == nullptr || !visitor || !commonMethod) return;
    std::map<int, int>& times = appData->logicTimeMap;
    if (!times.empty()) return;
    if (badTimePoint) {
        ReportBadTimePoint();
        return;
    }
    // The entries before searchedCount of the same list lead to roots searched already; a
    // list whose length or last searched entry changed is gone through again.
    const bool resumes = nodes == searchedList && searchedCount > 0 &&
                         searchedCount <= nodes->size() &&
                         (*nodes)[searchedCount - 1] == lastSearched;
    size_t index = resumes ? searchedCount : 0;
    const auto searchedTo = [&](size_t end) {
        searchedList = nodes;
        searchedCount = end;
        lastSearched = end > 0 ? (*nodes)[end - 1] : nullptr;
    };
    // The nodes of one block share its root: each block is searched once, in the order its
    // first node comes, which inserts in the same order as searching once per node. A block's
    // nodes mostly come one after another, so the root just searched is skipped at once.
    ISyntaxTreeNode* previousRoot = nullptr;
    for (; index < nodes->size(); ++index) {
        ISyntaxTreeNode* node = (*nodes)[index];
        ISyntaxTreeNode* root = node != nullptr ? node->GetRoot() : nullptr;
        if (root == nullptr || root == previousRoot) continue;
        previousRoot = root;
        if (root->GetChildren().empty()) {
            // The next search stops here again.
            searchedTo(index);
            return;
        }
        if (!searchedRoots.insert(root).second) continue;
        // Time points are written among the conditions, the block's first section.
        ISyntaxTreeNode* conditions = root->GetChildren().front();
        if (conditions == nullptr) continue;
        // The leaves CollectNodes would list, in a list kept from block to block.
        conditionLeaves.clear();
        AppendTokenLeaves(conditions, conditionLeaves);
        for (ISyntaxTreeNode* leaf : conditionLeaves) {
            if (!IsTimeName(leaf)) continue;
            IToken* time = TokenOf(leaf);
            ISyntaxTreeNode* comparison = ComparisonOf(leaf);
            if (comparison == nullptr) continue;
            IToken* valueToken = TokenOf(comparison->GetChildren()[1]);
            if (valueToken == nullptr) continue;
            const std::string text = valueToken->GetText();
            // Beyond the int range strtol would saturate (or wrap) into a time nobody wrote.
            const std::optional<int> value =
                commonMethod->IsNumber(text) ? kv::number::LeadingInt(text) : std::nullopt;
            if (!value) {
                badTimePoint.emplace(time->GetLine(), time->GetColumn());
                ReportBadTimePoint();
                return;
            }
            // Blocks come in line order as a rule, so a time goes at the map's end, where the
            // hint places it without a descent from the root; out of order it is still placed.
            times.emplace_hint(times.end(), time->GetLine(), *value);
        }
    }
    searchedTo(nodes->size());
    // A map that holds a time is final: no later call searches, so the roots are let go.
    if (!times.empty()) std::unordered_set<ISyntaxTreeNode*>().swap(searchedRoots);
}
