// KvSemanticAnalyzer: the analyzer object the host drives, from construction to the VM image.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "analyzer/FewNodes.h"
#include "vm/KvAppVmData.h"

class CFunctionParasValueDes;
class CodeConvert;
class CommonMethod;
class ICFunction;
class IData;
class IMidVariable;
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

    // ---- Tasks, timers and step numbers.
    // The task id of a logic number from the logic-task table; "" (after reporting) when the
    // number has no entry or an empty one.
    std::string GetTaskIdByLogicNo(int logicNo);
    // Records in taskTimers the timer numbers that the starttimer calls under node start. The
    // walk ends at a call without arguments (reported), at a first argument that is no decimal
    // integer (silently: the checkers judge argument kinds) or one past the int range (reported).
    void AddTaskTimerId(ISyntaxTreeNode* node);
    // Sets *out to the time of logicNo and returns true, or to 0 and returns false.
    bool FindLogicTime(int logicNo, int* out);
    // Records the step name of the first task marker of root's tree not yet recorded; recipes
    // older than version 2.2 carry it in the conditions, later ones in the actions.
    void MakeStepNo(ISyntaxTreeNode* root);
    void MakeStepNoBase(ISyntaxTreeNode* root, bool oldLayout);

    // ---- Triggers and outputs.
    // Builds the step of nodes (all on lines with a step name) from the device sensors it reads
    // and the device functions it calls, and files it in steps. Stores nothing after an error.
    void MakeTriggerAndOutPut(std::vector<ISyntaxTreeNode*> nodes);
    // The host function or intermediate variable whose full name is fullName; null if none.
    ICFunction* GetFunctionByFullName(const std::string& fullName);
    IMidVariable* GetMidVariableByFullName(const std::string& fullName);
    // The last piece of text split at separator ("" when there is none).
    std::string GetLastSpiltStr(std::string text, std::string separator);
    // Puts text into call's first argument as a literal and empties the other arguments.
    void ChangeFunParNode(ISyntaxTreeNode* call, const std::string& text);

    // ---- Function parameters in the VM's form.
    // Rewrites every call reached through nodes into one argument "<task id>,<json>"; argument
    // nodes whose text is empty are detached and destroyed. Stops at the first call it cannot
    // format.
    void FormatKvFunPar(std::vector<ISyntaxTreeNode*> nodes);
    // The JSON object naming call's arguments after des; "" after reporting a mismatch.
    std::string MakeJsonPar(ISyntaxTreeNode* call, const CFunctionParasValueDes& des);

    // ---- Task table assembly.
    // Gives every built step its duration and appends it to its task in taskInfo; then sorts
    // each task's steps by number.
    void AddStep2TaskInfo();
    // Replaces each task's timer list with the timers the program starts in it.
    void MakeAppVmTaskInfo();
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
    // Logic number -> step name. Hashed: a line's name is looked up once per line, and an
    // ordered map would cost a descent through nodes long out of the cache each time.
    std::unordered_map<int, std::string> stepNames;
    // Step key -> the step built so far.
    std::map<std::string, CStepInfo> steps;

private:
    // GetFunctionByFullName and GetMidVariableByFullName for a name read in place.
    ICFunction* FunctionByFullName(std::string_view fullName);
    IMidVariable* MidVariableByFullName(std::string_view fullName);
    class ArgumentSweep;
    // The task of the line whose calls are being formatted, once found.
    struct LineTask {
        bool known = false;
        int line = 0;
        std::string taskId;
    };
    // The starttimer calls met so far in one timer walk: true when meeting the call again ends
    // the walk (it was reported or unusable), false when its timer is recorded.
    using TimerCalls = std::unordered_map<ISyntaxTreeNode*, bool>;

    void AddTaskTimerId(ISyntaxTreeNode* node, TimerCalls& seen);
    // Whether the recipe version is older than the layout that carries task markers in the
    // actions.
    bool OldLayout();
    // MakeStepNo for a tree whose leaves (CollectNodes of root) are already listed.
    void MakeStepNoFromLeaves(ISyntaxTreeNode* root, const std::vector<ISyntaxTreeNode*>& leaves);
    // One entry of the step-name search: records the step when entry is a task marker; true
    // when the search ends there.
    bool NameStepAt(ISyntaxTreeNode* entry);
    // MakeTriggerAndOutPut on a list it only reads.
    void BuildStep(const std::vector<ISyntaxTreeNode*>& nodes);
    // Formats one call; false when the pass has to stop.
    bool FormatCall(ISyntaxTreeNode* call, bool nameEntry, ArgumentSweep& sweep,
                    LineTask& lineTask);
    // Appends MakeJsonPar's JSON object to json; false, after reporting, when call does not fit
    // des (json then holds a part of it).
    bool AppendJsonPar(std::string& json, ISyntaxTreeNode* call, const CFunctionParasValueDes& des);
    void ReleaseOwned();
    void StoreRecipeVersion();
    void StoreImage();

    // Scratch of the name lookups, kept so that each lookup reuses the storage of the last.
    std::string lookupName_;
    std::vector<ICFunction*> foundFunctions_;
    std::vector<IMidVariable*> foundVariables_;
    // The calls BuildStep has met in its tree, reused from tree to tree.
    FewNodes<bool> callsDone_;
    // The parameter text of the call being formatted, reused from call to call.
    std::string parameterText_;
    // What an argument's text is read into where its node does not lend it.
    std::string argumentText_;
    // The text of a name the tree could not lend, while it is looked up.
    std::string nameText_;
    // The leaves of the tree AddTaskTimerId walks, reused from tree to tree.
    std::vector<ISyntaxTreeNode*> timerLeaves_;
    // The recipe version last compared by MakeStepNo, and whether it is older than the layout
    // that moved task markers into the actions.
    std::string layoutVersion_;
    bool layoutKnown_ = false;
    bool oldLayout_ = false;
};

// -1, 0 or 1 as version a is older than, the same as, or newer than b, compared number by number
// over the shorter of the two ("2" equals "2.2"; "2.10" is newer than "2.2").
int compareVersion(std::string a, std::string b);
// Appends the numbers of text's dot-separated pieces to out, each read like strtol in base 10
// (an empty or non-numeric piece gives 0, one beyond int saturates at the int limits).
void splitToInt(std::string text, std::vector<int>* out);
