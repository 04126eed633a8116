// VarSemanticCodeAnalyze: checks the value given to (or compared with) an application variable.
//
// The host offers the nodes of the program one by one; a value operand whose sibling on the left
// is a variable with a value descriptor is checked against that descriptor (number and unit
// with range, string and its choices, or a cooking-parameter reference) and its token text is
// rewritten into canonical form. Errors are reported at the variable's token; nothing is thrown.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "data/KvAppRecords.h"

class IData;
class IToken;
class ISyntaxTreeNode;
class KvData;

class VarSemanticCodeAnalyze : public ISemanticGenerator {
public:
    // Neither pointer is owned; both must outlive the checker.
    VarSemanticCodeAnalyze(IData* dataHost, KvData* appData);
    ~VarSemanticCodeAnalyze() override = default;
    VarSemanticCodeAnalyze(const VarSemanticCodeAnalyze&) = delete;
    VarSemanticCodeAnalyze& operator=(const VarSemanticCodeAnalyze&) = delete;

    // Returns the outcome of the value check when node is a word or literal whose parent has
    // two children, the first a described variable; false for every other node. On success the
    // node's token holds the rewritten value.
    bool Analyze(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>* nodes) override;
    // Does nothing and returns false.
    bool DeAnalyze(ISyntaxTreeNode* node) override;
    // True when the last operand that passed was a word the syntax stage has to classify again.
    bool GetNeedReSyntaxAnalyze() override;

    // Checks value against the descriptor of variable's name and rewrites it; false (after
    // reporting) when it does not fit, false without a message when there is no descriptor.
    bool CheckVarValue(IToken* variable, std::string& value);
    // A number, with or without unit, converted to the base unit, tested against the scope and
    // printed with six decimals.
    bool CheckNumberTypeVarValue(const CVarValueDes& des, IToken* variable, std::string& value);
    // A double-quoted text; with choices it becomes the quoted stored value of its choice,
    // without choices it loses its quotes.
    bool CheckCharTypeVar(IToken* variable, std::string& value,
                          std::map<std::string, std::string> select);
    // A #reference to a cooking parameter whose values fit the descriptor; it becomes the
    // quoted reference (string variables) or a GetParaVar call on it.
    bool CheckCookParVar(const CVarValueDes& des, IToken* variable, std::string& value);

private:
    IData* dataHost;
    KvData* appData;
    bool needReSyntaxAnalyze = false;
};
