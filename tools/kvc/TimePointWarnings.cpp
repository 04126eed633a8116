// TimePointWarnings: scans the condition sections of the parsed blocks.
#include "tools/kvc/TimePointWarnings.h"

#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"
#include "host/HostText.h"
#include "tools/kvc/KvcMessages.h"

namespace kv::kvc {
namespace {

// The variable a time point compares, as the analyzer recognises it.
constexpr const char* kTimeName = "time";

bool SaysSomethingElse(const std::string& op) {
    return op == "<" || op == "<=" || op == "==" || op == "!=";
}

}  // namespace

std::vector<RecipeWarning> TimePointWarnings(const std::vector<ISyntaxTreeNode*>& blocks) {
    std::vector<RecipeWarning> warnings;
    for (ISyntaxTreeNode* block : blocks) AppendTimePointWarnings(block, warnings);
    return warnings;
}

void AppendTimePointWarnings(ISyntaxTreeNode* block, std::vector<RecipeWarning>& out) {
    if (block == nullptr || block->GetChildren().empty()) return;
    ISyntaxTreeNode* conditions = block->GetChildren().front();
    if (conditions == nullptr) return;
    for (ISyntaxTreeNode* comparison : conditions->GetChildren()) {
        IToken* op = comparison != nullptr ? comparison->GetToken() : nullptr;
        if (op == nullptr || comparison->GetChildren().size() != 2) continue;
        ISyntaxTreeNode* left = comparison->GetChildren()[0];
        ISyntaxTreeNode* right = comparison->GetChildren()[1];
        IToken* name = left != nullptr ? left->GetToken() : nullptr;
        IToken* value = right != nullptr ? right->GetToken() : nullptr;
        if (name == nullptr || value == nullptr || name->GetType() != kv::TokenType::Name ||
            name->GetText() != kTimeName || !SaysSomethingElse(op->GetText())) {
            continue;
        }
        out.push_back(
            {op->GetLine(), op->GetColumn(),
             kv::diag::Text(kv::diag::kvc::TimePointOperator, kv::host::FromHostText(op->GetText()),
                            kv::host::FromHostText(value->GetText()))});
    }
}

}  // namespace kv::kvc
