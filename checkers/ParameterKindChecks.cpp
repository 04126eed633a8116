// ParameterKindChecks: the five checks an argument is dispatched to, and its canonical rewrite.
#include <regex>
#include <string>

#include "IData.h"
#include "arbor/Arbor.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/NodeAccess.h"
#include "checkers/CheckerMessages.h"
#include "checkers/FunctionSemanticCodeAnalyze.h"
#include "checkers/QuotedText.h"
#include "data/KvData.h"
#include "utilo/CommonMethod.h"
#include "utilo/NumberText.h"

using kv::node::SetTextOf;
using kv::node::TextOf;

namespace msg = kv::diag::checker;
using kv::diag::At;
using kv::diag::Report;

bool FunctionSemanticCodeAnalyze::CheckNumberTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg) {
    if (appData == nullptr) return false;
    const std::string text = TextOf(arg);
    if (IsQuoted(text)) {
        const auto [line, column] = MixedPosition(arg);
        Report(dataHost, msg::FunValueIsString, At(line, column));
        return false;
    }

    const std::string& unitType = appData->UnitTypeOf(p.dataType);
    std::string value = text;
    float number = 0.0f;
    if (!appData->ParsePublicValue(value, unitType, number)) {
        const auto [line, column] = MixedPosition(arg);
        Report(dataHost, msg::FunValueOrUnitWrong, At(line, column));
        return false;
    }
    // A failed check leaves the parsed value in the token, a passed one its fixed form; the
    // token is written once, on the way out, and not at all when the value is the text.
    const auto keepValue = [&] {
        if (value != text) SetTextOf(arg, value);
    };
    if (p.scope.size() == 2) {
        const bool inRange =
            appData->CheckScopeValue(static_cast<double>(number), p.scope.items, dataHost);
        // A reversed range has been reported by CheckScopeValue already.
        if (kv::diag::HasError(dataHost)) {
            keepValue();
            return false;
        }
        if (!inRange) {
            keepValue();
            const auto [line, column] = MixedPosition(arg);
            Report(dataHost, msg::ValueOutOfRange, At(line, column),
                   kv::number::StreamText(static_cast<double>(number)), p.scope[0], p.scope[1]);
            return false;
        }
    } else if (!p.scope.empty()) {
        keepValue();
        const auto [line, column] = MixedPosition(arg);
        Report(dataHost, msg::FunScopeInvalid, At(line, column), p.name);
        return false;
    }

    // A value read with a unit comes back in its fixed form already.
    if (value == text) value = kv::number::FixedText(static_cast<double>(number));
    if (value != text) SetTextOf(arg, value);
    return true;
}

bool FunctionSemanticCodeAnalyze::CheckCharTypeFunPar(const CFunPar& p, ISyntaxTreeNode* arg) {
    if (appData == nullptr) return false;
    const std::string work = TextOf(arg);
    size_t pos = work.find('#');

    if (!p.select.empty()) {
        if (pos != std::string::npos) return CheckCookParFunPar(p, arg, false);
        std::string value = work;
        if (!appData->CheckSelectValue(value, p.select.entries)) {
            const auto [line, column] = MixedPosition(arg);
            Report(dataHost, msg::NotInSelect, At(line, column));
            return false;
        }
        SetTextOf(arg, value);
        return true;
    }
    if (pos == std::string::npos) return true;

    // Each #piece runs up to the next operator character or "#", which then starts the next
    // piece. The result is spliced piece by piece at the pieces' own positions: replacing by
    // text would also hit a later reference that begins with an earlier one (#a before #ab).
    std::string result;
    result.reserve(work.size() + 8);
    size_t copied = 0;
    while (pos != std::string::npos) {
        size_t end = work.size();
        for (size_t i = pos + 1; i < work.size(); ++i) {
            if (work[i] == '#' || IsOperatorChar(work[i])) {
                end = i;
                break;
            }
        }
        SetTextOf(arg, work.substr(pos, end - pos));
        if (!CheckCookParFunPar(p, arg, true)) return false;
        result.append(work, copied, pos - copied);
        result += TextOf(arg);
        copied = end;
        pos = work.find('#', end);
    }
    result.append(work, copied, std::string::npos);
    SetTextOf(arg, result);
    return true;
}

bool FunctionSemanticCodeAnalyze::CheckMaterialTypeFunPar(const CFunPar& /*p*/,
                                                          ISyntaxTreeNode* arg) {
    if (appData == nullptr) return false;
    const std::string text = TextOf(arg);
    if (const auto* found = appData->FindMaterial(text)) {
        SetTextOf(arg, found->second);
        return true;
    }
    if (IsMaterialCode(text)) return true;
    const auto [line, column] = CallPosition(arg);
    Report(dataHost, msg::FunNotMaterial, At(line, column));
    return false;
}

bool FunctionSemanticCodeAnalyze::CheckResTypeFunPar(const CFunPar& /*p*/, ISyntaxTreeNode* arg) {
    if (appData == nullptr) return false;
    const std::string text = TextOf(arg);
    const auto& resources = appData->GetResource();
    if (const auto found = resources.find(text); found != resources.end()) {
        SetTextOf(arg, found->second);
        return true;
    }
    if (IsResourceCode(text)) return true;
    const auto [line, column] = CallPosition(arg);
    Report(dataHost, msg::FunNotResource, At(line, column));
    return false;
}

bool FunctionSemanticCodeAnalyze::CheckCookParFunPar(const CFunPar& p, ISyntaxTreeNode* arg,
                                                     bool embedded) {
    if (appData == nullptr) return false;
    const std::string text = TextOf(arg);
    if (text.size() < 2) {
        const auto [line, column] = CallPosition(arg);
        Report(dataHost, msg::FunCookParNameEmpty, At(line, column));
        return false;
    }
    const std::string name = text.substr(1);
    const auto* cookPar = appData->FindCookPar(name);
    if (cookPar == nullptr) {
        const auto [line, column] = CallPosition(arg);
        Report(dataHost, msg::CookParMissing, At(line, column), name);
        return false;
    }

    if (!p.scope.empty()) {
        // Every value the cooking parameter can take must suit the parameter; the token is
        // the carrier, so after a failure it holds the value that failed. Once an error is
        // known every range check fails, so a pass is taken from memory only before that.
        const std::uint32_t range =
            passedCookParRanges_.RangeOf(p.dataType, p.scope[0], p.scope.items.back());
        if (kv::diag::HasError(dataHost) || !passedCookParRanges_.Contains(cookPar, range)) {
            for (const std::string& value : cookPar->second) {
                SetTextOf(arg, value);
                if (!CheckNumberTypeFunPar(p, arg)) return false;
            }
            if (p.scope.size() == 2) passedCookParRanges_.Insert(cookPar, range);
        }
    } else if (!p.select.empty()) {
        auto& appPars = appData->appPar;
        const auto appPar = appPars.find(name);
        if (appPar == appPars.end()) {
            const auto [line, column] = CallPosition(arg);
            Report(dataHost, msg::CookParNotInAppPar, At(line, column), name);
            return false;
        }
        // The dst texts are checked in place: a key becomes its stored choice value there.
        for (auto& [key, attached] : appPar->second.attachData) {
            if (!appData->CheckSelectValue(attached.dst, p.select.entries)) {
                const auto [line, column] = PositionOf(arg);
                Report(dataHost, msg::NotInSelect, At(line, column));
                return false;
            }
        }
    }

    SetTextOf(arg, embedded ? "#$" + name + "$#" : "#" + name + "#");
    return true;
}

bool FunctionSemanticCodeAnalyze::IsMaterialCode(const std::string& text) {
    if (materialCodes == nullptr) {
        materialCodes = std::make_unique<std::unordered_set<std::string>>();
        for (const auto& [name, code] : appData->GetMaterial()) materialCodes->insert(code);
    }
    return materialCodes->count(text) != 0;
}

bool FunctionSemanticCodeAnalyze::IsResourceCode(const std::string& text) {
    if (resourceCodes == nullptr) {
        resourceCodes = std::make_unique<std::unordered_set<std::string>>();
        for (const auto& [name, code] : appData->GetResource()) resourceCodes->insert(code);
    }
    return resourceCodes->count(text) != 0;
}

bool FunctionSemanticCodeAnalyze::IsOperatorChar(char c) {
    if (!operatorTableBuilt) {
        operatorTableBuilt = true;
        // The pattern is fixed for the library's lifetime, so each byte is matched once.
        try {
            const OperatorData* operators = getGlobalOperatorData();
            const std::regex pattern(operators != nullptr ? operators->GetOperatorPattern()
                                                          : std::string());
            for (int b = 0; b < 256; ++b) {
                const std::string one(1, static_cast<char>(b));
                operatorChars[static_cast<size_t>(b)] = std::regex_match(one, pattern);
            }
        } catch (const std::regex_error&) {
            // A pattern the library cannot compile matches nothing: pieces end at "#" only.
            operatorChars.fill(false);
        }
    }
    return operatorChars[static_cast<unsigned char>(c)];
}
