// VarSemanticCodeAnalyze: value checks of application variables against their descriptors.
#include "checkers/VarSemanticCodeAnalyze.h"

#include <span>

#include "IData.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"
#include "arbor/NodeAccess.h"
#include "checkers/CheckerMessages.h"
#include "checkers/QuotedText.h"
#include "data/KvData.h"
#include "utilo/NumberText.h"

using kv::node::TokenOf;

namespace msg = kv::diag::checker;
using kv::diag::At;
using kv::diag::Report;

namespace {

// Every message of this checker points at the variable: its end line and its column.
template <int Slots, typename... Values>
void ReportAtVariable(IData* host, const kv::diag::Message<Slots>& message, IToken* variable,
                      const Values&... values) {
    Report(host, message, At(variable->GetEndLine(), variable->GetColumn()), values...);
}

}  // namespace

VarSemanticCodeAnalyze::VarSemanticCodeAnalyze(IData* host, KvData* application)
    : dataHost(host), appData(application) {}

bool VarSemanticCodeAnalyze::Analyze(ISyntaxTreeNode* node,
                                     std::vector<ISyntaxTreeNode*>* /*nodes*/) {
    if (dataHost == nullptr || appData == nullptr) return false;
    IToken* operand = TokenOf(node);
    if (operand == nullptr) return false;
    const int type = operand->GetType();
    if (type != kv::TokenType::Unknown && type != kv::TokenType::Literal) return false;
    // Only the operand count matters: assignments, comparisons and two-argument calls alike.
    ISyntaxTreeNode* parent = node->GetParent();
    if (parent == nullptr || parent->GetChildren().size() != 2) return false;
    IToken* variable = TokenOf(parent->GetChildren().front());
    if (variable == nullptr || variable->GetType() != kv::TokenType::Name) return false;
    if (appData->GetVarValueDes().count(variable->GetText()) == 0) return false;

    std::string value = operand->GetText();
    if (!CheckVarValue(variable, value)) return false;
    // A word may now read as a literal (or the reverse); the syntax stage must look again.
    needReSyntaxAnalyze = type == kv::TokenType::Unknown;
    operand->SetText(value);
    return true;
}

bool VarSemanticCodeAnalyze::DeAnalyze(ISyntaxTreeNode* /*node*/) { return false; }

bool VarSemanticCodeAnalyze::GetNeedReSyntaxAnalyze() { return needReSyntaxAnalyze; }

bool VarSemanticCodeAnalyze::CheckVarValue(IToken* variable, std::string& value) {
    if (variable == nullptr || appData == nullptr) return false;
    const auto& descriptors = appData->GetVarValueDes();
    const auto found = descriptors.find(variable->GetText());
    if (found == descriptors.end()) return false;
    const CVarValueDes& des = found->second;

    if (!value.empty() && value.front() == '#') return CheckCookParVar(des, variable, value);
    if (IsCharacterType(des.dataType)) {
        // Reported, yet the check goes on: the text may still be a (possibly empty) literal.
        if (value.size() <= 2) ReportAtVariable(dataHost, msg::VarStringEmpty, variable);
        return CheckCharTypeVar(variable, value, des.select.entries);
    }
    return CheckNumberTypeVarValue(des, variable, value);
}

bool VarSemanticCodeAnalyze::CheckNumberTypeVarValue(const CVarValueDes& des, IToken* variable,
                                                     std::string& value) {
    if (variable == nullptr || appData == nullptr) return false;
    const std::string& unitType = appData->UnitTypeOf(des.dataType);
    float number = 0.0f;
    if (!appData->ParsePublicValue(value, unitType, number)) {
        ReportAtVariable(dataHost, msg::VarUnitWrong, variable, value);
        return false;
    }

    const std::vector<std::string>& scope = des.scope.items;
    if (scope.size() == 2) {
        const bool inside = appData->CheckScopeValue(static_cast<double>(number),
                                                     std::span<const std::string>(scope), dataHost);
        // A faulty range has been reported by the scope check itself.
        if (kv::diag::HasError(dataHost)) return false;
        if (!inside) {
            ReportAtVariable(dataHost, msg::ValueOutOfRange, variable, value, scope[0], scope[1]);
            return false;
        }
    } else if (!scope.empty()) {
        ReportAtVariable(dataHost, msg::VarScopeInvalid, variable, des.variableName);
        return false;
    }
    value = kv::number::FixedText(static_cast<double>(number));
    return true;
}

bool VarSemanticCodeAnalyze::CheckCharTypeVar(IToken* variable, std::string& value,
                                              std::map<std::string, std::string> select) {
    if (variable == nullptr || appData == nullptr) return false;
    if (!IsQuoted(value)) {
        ReportAtVariable(dataHost, msg::VarNotString, variable, variable->GetText(), value);
        return false;
    }
    value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
    // Without choices the text stays unquoted; only a chosen value is quoted again.
    if (select.empty()) return true;
    const bool chosen = appData->CheckSelectValue(value, select);
    value = '"' + value + '"';
    if (!chosen) {
        ReportAtVariable(dataHost, msg::VarNotInSelect, variable, variable->GetText(), value);
        return false;
    }
    return true;
}

bool VarSemanticCodeAnalyze::CheckCookParVar(const CVarValueDes& des, IToken* variable,
                                             std::string& value) {
    if (variable == nullptr || appData == nullptr || value.empty()) return false;
    const std::string name = value.substr(1);
    if (name.empty()) {
        ReportAtVariable(dataHost, msg::VarCookParEmpty, variable);
        return false;
    }
    const auto* cooking = appData->FindCookPar(name);
    if (cooking == nullptr) {
        ReportAtVariable(dataHost, msg::CookParMissing, variable, name);
        return false;
    }

    if (!des.select.empty()) {
        const auto parameter = appData->appPar.find(name);
        if (parameter == appData->appPar.end()) {
            ReportAtVariable(dataHost, msg::CookParNotInAppPar, variable, name);
            return false;
        }
        // Each dst is turned into its choice's stored value in the application data itself.
        for (auto& entry : parameter->second.attachData) {
            if (!appData->CheckSelectValue(entry.second.dst, des.select.entries)) {
                ReportAtVariable(dataHost, msg::NotInSelect, variable);
                return false;
            }
        }
    } else if (!IsCharacterType(des.dataType)) {
        for (const std::string& listed : cooking->second) {
            std::string text = listed;
            const bool fits = CheckNumberTypeVarValue(des, variable, text);
            if (kv::diag::HasError(dataHost)) return false;
            // Only reached with a host whose error flag misses reports.
            if (!fits) {
                ReportAtVariable(dataHost, msg::VarCookParValueOutOfRange, variable, name, text);
                return false;
            }
        }
    }

    // The VM reads a reference as the name between # marks, quoted.
    const std::string quoted = '"' + value + "#\"";
    value = des.dataType == "string" ? quoted : "GetParaVar(" + quoted + ")";
    return true;
}
