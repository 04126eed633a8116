// KvSemanticAnalyzer: the analyzer object the host drives, from construction to the VM image.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "vm/KvAppVmData.h"

class CodeConvert;
class CommonMethod;
class IData;
class ISyntaxTreeVisitor;
class KvData;
class TypeConvert;

class KvSemanticAnalyzer : public ISemanticAnalyzer {
public:
    // Loads and validates the application data and logs the version line.
    explicit KvSemanticAnalyzer(IData* data);
    ~KvSemanticAnalyzer() override;
    KvSemanticAnalyzer(const KvSemanticAnalyzer&) = delete;
    KvSemanticAnalyzer& operator=(const KvSemanticAnalyzer&) = delete;

    // Does nothing.
    void BeforeAnalyze(ISyntaxTreeNode* root) override;
    // Logs the program text of root's tree and builds what the tree contributes to its task.
    void EndAnalyze(ISyntaxTreeNode* root) override;
    // Appends the per-node checkers; the host owns them and must delete them before this.
    void GetAppSemanticAnalyzers(std::vector<ISemanticGenerator*>& out) override;
    // The end pipeline: task tables, write-back, and (when vmAppFileType is 0) the VM image.
    void AppParamDataVmPro(std::vector<ISyntaxTreeNode*>& nodes) override;

    // The VM data set assembled from the application data, keys in ascending order.
    KvVmData GetKvVmData();

    KvData* appData = nullptr;
    // Task id -> the timer numbers the program starts in that task.
    std::map<std::string, std::set<int>> taskTimers;
    ISyntaxTreeVisitor* treeVisitor = nullptr;
    IData* dataHost = nullptr;
    CommonMethod* commonMethod = nullptr;
    CodeConvert* codeConvert = nullptr;
    TypeConvert* typeConvert = nullptr;
    // Task id -> the last command number given out in that task.
    std::map<std::string, int> taskTriggerCount;
    // Logic number -> step name.
    std::map<int, std::string> stepNames;
    // Step key -> the step built so far.
    std::map<std::string, CStepInfo> steps;

private:
    void ReleaseOwned();
    void StoreRecipeVersion();
    void StoreImage();
};
