// FunctionSemanticCodeAnalyze: checks every application function call and its arguments.
//
// The host offers the nodes of the program one by one; a call is examined once, when its first
// argument is offered. Each argument is checked against the function's value descriptor and its
// token text is rewritten into the form later stages work with (codes for names, numbers in
// "%f", cooking-parameter references between # marks, stored choice values). Errors go to the
// host's log sink; nothing is thrown.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "checkers/PassedRanges.h"
#include "data/KvAppRecords.h"

class CommonMethod;
class IData;
class ISyntaxTreeNode;
class KvData;

class FunctionSemanticCodeAnalyze : public ISemanticGenerator {
public:
    // Neither pointer is owned; both must outlive the checker.
    FunctionSemanticCodeAnalyze(IData* data, KvData* appData);
    ~FunctionSemanticCodeAnalyze() override;
    FunctionSemanticCodeAnalyze(const FunctionSemanticCodeAnalyze&) = delete;
    FunctionSemanticCodeAnalyze& operator=(const FunctionSemanticCodeAnalyze&) = delete;

    // True when node is the first argument of a call of a recipe function (a host function
    // with a number above 0) and the call was therefore checked, whatever the outcome.
    bool Analyze(ISyntaxTreeNode* node, std::vector<ISyntaxTreeNode*>* nodes) override;
    // Does nothing and returns false.
    bool DeAnalyze(ISyntaxTreeNode* node) override;
    // Always false: the rewritten texts need no new syntax pass.
    bool GetNeedReSyntaxAnalyze() override;

    // Checks one call node against its function's value descriptor.
    bool CheckKvFunction(ISyntaxTreeNode* call);
    // The argument count rule (deferred for array parameters), then CheckFunParValue.
    bool CheckFunPar(ISyntaxTreeNode* call, const CFunctionParasValueDes& des);
    // Checks and rewrites the arguments in order; false at the first failure.
    bool CheckFunParValue(ISyntaxTreeNode* call, const CFunctionParasValueDes& des);
    // pars receives one description per argument: the array parameter's list, repeated.
    // False, after reporting, when the arguments do not make whole groups.
    bool ProcessArrayParDes(ISyntaxTreeNode* call, const CFunctionParasValueDes& des,
                            std::vector<CFunPar>& pars);
    // Strips the quotes of an argument whose business type is a string type; its errors are
    // seen through the log sink's HasError.
    void RemoveQuotes(ISyntaxTreeNode* argument, const std::string& dataType);

    // ---- Kind checks: each judges one argument and rewrites its token text.
    // A number, with or without unit, converted to the base unit, tested against the scope.
    bool CheckNumberTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg);
    // A choice, or a text whose #references are tested and rewritten one by one.
    bool CheckCharTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg);
    // An ingredient name (becomes its code) or code.
    bool CheckMaterialTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg);
    // A resource name (becomes its code) or code.
    bool CheckResTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg);
    // A #reference to a cooking parameter; embedded when it is part of a longer character
    // argument, which marks it as #$name$# instead of #name#.
    bool CheckCookParFunPar(const CFunPar& p, ISyntaxTreeNode* arg, bool embedded);

private:
    // A message position: a 1-based line and column, or -1, -1 when there is no token.
    struct Position {
        int line = -1;
        int column = -1;
    };
    static Position PositionOf(ISyntaxTreeNode* node);
    // The position of the call that holds arg.
    static Position CallPosition(ISyntaxTreeNode* arg);
    // The line of arg with the column of its call.
    static Position MixedPosition(ISyntaxTreeNode* arg);

    // RemoveQuotes with its outcome, so that a host without a log sink still stops.
    bool StripQuotes(ISyntaxTreeNode* argument, const std::string& dataType);
    // True when text is a code of the ingredient (or resource) table.
    bool IsMaterialCode(const std::string& text);
    bool IsResourceCode(const std::string& text);
    // True for a byte that the syntax library's operator pattern matches on its own.
    bool IsOperatorChar(char c);

    IData* dataHost = nullptr;
    KvData* appData = nullptr;
    std::unique_ptr<CommonMethod> commonMethod;

    // Built on first use: the tables are fixed once loaded, so one walk serves all arguments.
    std::unique_ptr<std::unordered_set<std::string>> materialCodes;
    std::unique_ptr<std::unordered_set<std::string>> resourceCodes;
    // Whether a business type's basic type is text, by type (the table is fixed once loaded).
    std::unordered_map<const CBsType*, bool> stringTypes;
    // Cooking parameters whose every value passed a range check: a passing check changes
    // nothing but the argument's text, which the reference then replaces. Failures are never
    // kept; they report.
    PassedRanges passedCookParRanges_;
    // What an argument's text is read into where its node does not lend it.
    std::string argumentText_;
    bool operatorTableBuilt = false;
    std::array<bool, 256> operatorChars{};
};
