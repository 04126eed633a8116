// TimePointSemanticCodeAnalyze: collects the program's time points and rewrites time comparisons.
//
// A time point is a condition comparing the reserved variable `time` with a whole number. The
// first time comparison offered fills KvData::logicTimeMap (logic number -> time value), which
// the task builder reads; every time comparison then becomes a test of the timeout value:
// "超时" ">=" the time elapsed since the time point on the line just before (or the absolute
// value when that line has none).
#pragma once

#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ISemanticAnalyzer.h"

class CommonMethod;
class IData;
class ISyntaxTreeNode;
class ISyntaxTreeVisitor;
class KvData;

class TimePointSemanticCodeAnalyze : public ISemanticGenerator {
public:
    // Neither pointer is owned; both must outlive the checker.
    TimePointSemanticCodeAnalyze(IData* dataHost, KvData* appData);
    ~TimePointSemanticCodeAnalyze() override;
    TimePointSemanticCodeAnalyze(const TimePointSemanticCodeAnalyze&) = delete;
    TimePointSemanticCodeAnalyze& operator=(const TimePointSemanticCodeAnalyze&) = delete;

    // Always false. When node is the value of a time comparison: builds the time map from nodes
    // (the program's nodes) if it is still empty and, when no error has been reported, rewrites
    // the comparison of a line that has a time point.
    bool Analyze(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>* nodes) override;
    // Does nothing and returns false.
    bool DeAnalyze(ISyntaxTreeNode* node) override;
    // Always false: the rewritten texts need no new syntax pass.
    bool GetNeedReSyntaxAnalyze() override;

    // Fills logicTimeMap from the conditions of the blocks that nodes belong to, the first value
    // of a line winning; does nothing once the map holds an entry. Stops at the first time value
    // that is not a whole number within int, after reporting it.
    void MakeTimeMap(std::vector<ISyntaxTreeNode*>* nodes);

private:
    // Reports the time value at badTimePoint that is no whole number.
    void ReportBadTimePoint();

    IData* dataHost;
    KvData* appData;
    std::unique_ptr<ISyntaxTreeVisitor> visitor;
    std::unique_ptr<CommonMethod> commonMethod;
    // Blocks already searched without result: searching them again would find the same.
    std::unordered_set<ISyntaxTreeNode*> searchedRoots;
    // How far the host's list has been searched while the map stayed empty: its first
    // searchedCount entries, the last of them lastSearched. The host offers one list for every
    // time comparison, so resuming there keeps the search from running over it once per
    // comparison.
    const std::vector<ISyntaxTreeNode*>* searchedList = nullptr;
    size_t searchedCount = 0;
    ISyntaxTreeNode* lastSearched = nullptr;
    // Line and column of the bad time value that stopped the search. The search would stop
    // there again, so while the map is empty the report is repeated without searching.
    std::optional<std::pair<int, int>> badTimePoint;
    // The leaves of the conditions being searched, reused from block to block.
    std::vector<ISyntaxTreeNode*> conditionLeaves;
};
