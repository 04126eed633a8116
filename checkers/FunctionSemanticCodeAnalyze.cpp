// FunctionSemanticCodeAnalyze: finding the calls, counting their arguments, dispatching each one.
#include "checkers/FunctionSemanticCodeAnalyze.h"

#include <map>
#include <string>

#include "IData.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"
#include "arbor/NodeAccess.h"
#include "checkers/CheckerMessages.h"
#include "data/KvData.h"
#include "utilo/AsciiCase.h"
#include "utilo/CommonMethod.h"

using kv::node::SetTextOf;
using kv::node::TextOf;

namespace msg = kv::diag::checker;
using kv::diag::At;
using kv::diag::Report;

FunctionSemanticCodeAnalyze::FunctionSemanticCodeAnalyze(IData* data, KvData* appDataIn)
    : dataHost(data), appData(appDataIn), commonMethod(newCommonMethod()) {}

FunctionSemanticCodeAnalyze::~FunctionSemanticCodeAnalyze() = default;

bool FunctionSemanticCodeAnalyze::Analyze(ISyntaxTreeNode* node,
                                          std::vector<ISyntaxTreeNode*>* /*nodes*/) {
    if (node == nullptr || dataHost == nullptr || appData == nullptr) return false;
    ISyntaxTreeNode* call = node->GetParent();
    if (call == nullptr) return false;
    IToken* name = call->GetToken();
    if (name == nullptr || name->GetType() != kv::TokenType::Function) return false;
    // Offered once per argument; the call is examined with its first one only.
    if (!node->IsFirstChild()) return false;

    std::string scratch;
    const auto* entry = appData->FindHostFunctions(kv::node::TextViewOf(call, scratch));
    if (entry == nullptr) return false;
    // An entry without functions names nothing the host can call: leave the call alone.
    if (entry->second.empty() || entry->second.front() == nullptr) return false;
    if (entry->second.front()->GetFunctionNo() <= 0) return false;

    CheckKvFunction(call);
    return true;
}

FunctionSemanticCodeAnalyze::Position FunctionSemanticCodeAnalyze::PositionOf(
    ISyntaxTreeNode* node) {
    IToken* token = node != nullptr ? node->GetToken() : nullptr;
    if (token == nullptr) return {};
    return {token->GetLine(), token->GetColumn()};
}

FunctionSemanticCodeAnalyze::Position FunctionSemanticCodeAnalyze::CallPosition(
    ISyntaxTreeNode* arg) {
    return PositionOf(arg != nullptr ? arg->GetParent() : nullptr);
}

FunctionSemanticCodeAnalyze::Position FunctionSemanticCodeAnalyze::MixedPosition(
    ISyntaxTreeNode* arg) {
    return {PositionOf(arg).line, CallPosition(arg).column};
}

bool FunctionSemanticCodeAnalyze::DeAnalyze(ISyntaxTreeNode* /*node*/) { return false; }

bool FunctionSemanticCodeAnalyze::GetNeedReSyntaxAnalyze() { return false; }

bool FunctionSemanticCodeAnalyze::CheckKvFunction(ISyntaxTreeNode* call) {
    if (call == nullptr || dataHost == nullptr || appData == nullptr) return false;
    IToken* token = call->GetToken();
    if (token == nullptr) return false;

    // Read in place: the checks that follow rewrite arguments, never the call's name.
    std::string scratch;
    const std::string_view name = kv::node::TextViewOf(call, scratch);
    const auto* found = appData->FindFunParValueDes(name);
    if (found == nullptr) {
        Report(dataHost, msg::FunDescMissing,
               kv::diag::AtWithData(token->GetLine(), token->GetColumn()), name);
        return false;
    }
    // Nothing in the checks changes a descriptor, so it is read in place.
    return CheckFunPar(call, found->second);
}

bool FunctionSemanticCodeAnalyze::CheckFunPar(ISyntaxTreeNode* call,
                                              const CFunctionParasValueDes& des) {
    if (call == nullptr) return false;
    // An array parameter's count rule needs its group length: ProcessArrayParDes applies it.
    if (des.HasArrayPar() || call->GetChildren().size() == des.par.size()) {
        return CheckFunParValue(call, des);
    }
    const auto [line, column] = PositionOf(call);
    Report(dataHost, msg::FunParCountWrong, At(line, column));
    return false;
}

bool FunctionSemanticCodeAnalyze::ProcessArrayParDes(ISyntaxTreeNode* call,
                                                     const CFunctionParasValueDes& des,
                                                     std::vector<CFunPar>& pars) {
    if (call == nullptr) return false;
    const std::vector<CFunPar>& group = des.arrayPar.par.items;
    pars = group;
    const size_t count = call->GetChildren().size();
    // An empty group cannot describe any argument; say so rather than divide by zero.
    if (group.empty() || count % group.size() != 0) {
        const auto [line, column] = PositionOf(call);
        Report(dataHost, msg::FunParCountWrong, At(line, column));
        return false;
    }
    const size_t groups = count / group.size();
    pars.reserve(group.size() * (groups > 1 ? groups : 1));
    for (size_t g = 1; g < groups; ++g) pars.insert(pars.end(), group.begin(), group.end());
    return true;
}

bool FunctionSemanticCodeAnalyze::CheckFunParValue(ISyntaxTreeNode* call,
                                                   const CFunctionParasValueDes& des) {
    if (call == nullptr) return false;
    std::vector<CFunPar> expanded;
    const std::vector<CFunPar>* pars = &des.par.items;
    if (des.HasArrayPar()) {
        if (!ProcessArrayParDes(call, des, expanded)) return false;
        pars = &expanded;
    }

    // The child list is read again for every argument, as the host owns it.
    for (size_t i = 0; i < call->GetChildren().size(); ++i) {
        if (i >= pars->size()) {
            // Only a caller that skipped the count rule gets here.
            const auto [line, column] = PositionOf(call);
            Report(dataHost, msg::FunParCountWrong, At(line, column));
            return false;
        }
        const CFunPar& p = (*pars)[i];
        if (p.isEmpty == 1) continue;
        ISyntaxTreeNode* arg = call->GetChildren()[i];
        // An argument without a token holds no value to judge.
        if (arg == nullptr || arg->GetToken() == nullptr) return false;
        if (p.dataType.empty()) continue;

        if (!StripQuotes(arg, p.dataType)) return false;
        // Once any error is known, the program will not be compiled: stop examining.
        if (kv::diag::HasError(dataHost)) return false;

        const std::string_view text = kv::node::TextViewOf(arg, argumentText_);
        if (kv::text::EqualsInAnyCase(text, "null")) {
            SetTextOf(arg, "\"\"");
            continue;
        }

        bool passed = false;
        const bool character = IsCharacterType(p.dataType);
        if (!text.empty() && text.front() == '#' && !character) {
            passed = CheckCookParFunPar(p, arg, false);
        } else if (character && p.scope.empty()) {
            passed = CheckCharTypeFunPar(p, arg);
        } else if (p.dataType == "material-id" || p.dataType == "materiel-id") {
            passed = CheckMaterialTypeFunPar(p, arg);
        } else if (p.dataType == "res-id") {
            passed = CheckResTypeFunPar(p, arg);
        } else {
            passed = CheckNumberTypeFunPar(p, arg);
        }
        if (!passed) return false;
    }
    return true;
}

void FunctionSemanticCodeAnalyze::RemoveQuotes(ISyntaxTreeNode* argument,
                                               const std::string& dataType) {
    StripQuotes(argument, dataType);
}

bool FunctionSemanticCodeAnalyze::StripQuotes(ISyntaxTreeNode* argument,
                                              const std::string& dataType) {
    if (appData == nullptr) return false;
    const auto* found = appData->FindBsType(dataType);
    if (found == nullptr) {
        Report(dataHost, msg::FunBsTypeMissing, kv::diag::Nowhere(), dataType);
        return false;
    }
    // Asked once per argument of thousands of calls, answered once per business type.
    auto [known, added] = stringTypes.try_emplace(&found->second, false);
    if (added) {
        std::string basic = found->second.dataType;
        commonMethod->NormalizeText(basic);
        known->second = basic == "string";
    }
    if (!known->second) return true;

    const std::string text = TextOf(argument);
    const auto [line, column] = CallPosition(argument);
    if (text.empty() || text.front() != '"' || text.back() != '"') {
        Report(dataHost, msg::FunParNotString, At(line, column));
        return false;
    }
    if (text.size() == 2) {
        Report(dataHost, msg::FunParEmpty, At(line, column));
        return false;
    }
    // A lone quote both opens and closes: it leaves the empty text.
    SetTextOf(argument, text.size() > 2 ? text.substr(1, text.size() - 2) : std::string());
    return true;
}
