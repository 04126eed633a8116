// RecipeDrive: the host's drive order over the analyzer and its checkers.
#include "host/RecipeDrive.h"

#include <cstddef>
#include <memory>

#include "ISemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"

namespace kv::host {

bool DriveAnalyzer(IData& data, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks) {
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    if (!analyzer) return false;
    analyzer->BeforeAnalyze(blocks.empty() ? nullptr : blocks.front());

    std::vector<ISemanticGenerator*> offered;
    analyzer->GetAppSemanticAnalyzers(offered);
    // Declared after the analyzer so that, even on an early exit, they go first.
    std::vector<std::unique_ptr<ISemanticGenerator>> checkers;
    for (ISemanticGenerator* checker : offered) {
        if (checker != nullptr) checkers.emplace_back(checker);
    }

    {
        // Checkers rewrite token texts but never the tree, so one collection serves both the
        // per-block walk and the list of all nodes.
        std::vector<ISyntaxTreeNode*> allNodes;
        for (ISyntaxTreeNode* block : blocks) {
            std::vector<ISyntaxTreeNode*> nodes = visitor.CollectNodes(block);
            allNodes.insert(allNodes.end(), nodes.begin(), nodes.end());
        }
        const std::vector<ISyntaxTreeNode*> walk = allNodes;  // the checkers may edit allNodes
        for (ISyntaxTreeNode* node : walk) {
            for (const auto& checker : checkers) {
                checker->Analyze(node, &allNodes);
                if (checker->GetNeedReSyntaxAnalyze()) ReclassifyToken(node);
            }
        }
    }

    for (ISyntaxTreeNode* block : blocks) analyzer->EndAnalyze(block);
    std::vector<ISyntaxTreeNode*> roots = blocks;
    analyzer->AppParamDataVmPro(roots);

    checkers.clear();
    analyzer.reset();
    return true;
}

std::vector<int> BlockLines(ISyntaxTreeVisitor& visitor,
                            const std::vector<ISyntaxTreeNode*>& blocks) {
    std::vector<int> lines;
    for (ISyntaxTreeNode* block : blocks) {
        const std::vector<ISyntaxTreeNode*> nodes = visitor.CollectNodes(block);
        const bool hasToken = !nodes.empty() && nodes.front()->GetToken() != nullptr;
        lines.push_back(hasToken ? nodes.front()->GetToken()->GetLine() : 0);
    }
    return lines;
}

std::string RenderProgram(ISyntaxTreeVisitor& visitor, const std::vector<ISyntaxTreeNode*>& blocks,
                          const std::vector<int>& blockLines, int lineCount) {
    std::vector<std::string> lines(static_cast<std::size_t>(lineCount > 0 ? lineCount : 0));
    for (std::size_t i = 0; i < blocks.size() && i < blockLines.size(); ++i) {
        if (blockLines[i] < 1) continue;
        const auto index = static_cast<std::size_t>(blockLines[i] - 1);
        if (index >= lines.size()) lines.resize(index + 1);
        lines[index] = visitor.ToText(blocks[i]);
    }
    std::string program;
    for (const std::string& line : lines) program += line + "\n";
    return program;
}

}  // namespace kv::host
