// TimePointWarnings: time points whose operator probably does not say what the author meant.
#pragma once

#include <string>
#include <vector>

class ISyntaxTreeNode;

namespace kv::kvc {

// A warning of the host's own at a recipe position.
struct RecipeWarning {
    int line = 0;
    int column = 0;
    std::string text;
};

// One warning at the operator of every condition `time <op> value` whose operator is <, <=, ==
// or !=. The analyzer reads every time point as "reached at" (time >= value) whatever its
// operator, so these silently mean something else than they say. blocks are the parsed,
// not yet analysed blocks.
std::vector<RecipeWarning> TimePointWarnings(const std::vector<ISyntaxTreeNode*>& blocks);
// Those of one block, appended to out.
void AppendTimePointWarnings(ISyntaxTreeNode* block, std::vector<RecipeWarning>& out);

}  // namespace kv::kvc
