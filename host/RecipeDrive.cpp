// RecipeDrive: the host's drive order over the analyzer and its checkers.
#include "host/RecipeDrive.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

#include "ISemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/BlockTree.h"
#include "arbor/RecipeParser.h"

namespace kv::host {

bool DriveAnalyzer(IData& data, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks,
                   const std::function<void()>& tablesRead) {
    std::unique_ptr<ISemanticAnalyzer> analyzer(createObject(&data));
    if (!analyzer) return false;
    if (tablesRead) tablesRead();
    DriveAnalyzer(std::move(analyzer), visitor, blocks);
    return true;
}

void DriveAnalyzer(std::unique_ptr<ISemanticAnalyzer> analyzer, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks) {
    analyzer->BeforeAnalyze(blocks.empty() ? nullptr : blocks.front());

    std::vector<ISemanticGenerator*> offered;
    analyzer->GetAppSemanticAnalyzers(offered);
    // Declared after the analyzer so that, even on an early exit, they go first.
    std::vector<std::unique_ptr<ISemanticGenerator>> checkers;
    for (ISemanticGenerator* checker : offered) {
        if (checker != nullptr) checkers.emplace_back(checker);
    }

    {
        // Sized once from the blocks' token counts, which bound their leaves: grown by doubling,
        // the list would reach up to twice its size, and half as much again while it moves.
        std::size_t tokens = 0;
        for (ISyntaxTreeNode* block : blocks) tokens += SizeHintOf(block).tokens;
        std::vector<ISyntaxTreeNode*> allNodes;
        allNodes.reserve(tokens);
        for (ISyntaxTreeNode* block : blocks) {
            std::vector<ISyntaxTreeNode*> nodes = visitor.CollectNodes(block);
            allNodes.insert(allNodes.end(), nodes.begin(), nodes.end());
        }
        // The checkers may edit allNodes, so the walk does not go through it. Checkers rewrite
        // token texts but never the tree, so collecting each block again gives the same walk
        // as a copy of the whole list would, without holding that copy.
        for (ISyntaxTreeNode* block : blocks) {
            for (ISyntaxTreeNode* node : visitor.CollectNodes(block)) {
                for (const auto& checker : checkers) {
                    checker->Analyze(node, &allNodes);
                    if (checker->GetNeedReSyntaxAnalyze()) ReclassifyToken(node);
                }
            }
        }
    }

    for (ISyntaxTreeNode* block : blocks) analyzer->EndAnalyze(block);
    std::vector<ISyntaxTreeNode*> roots = blocks;
    analyzer->AppParamDataVmPro(roots);

    checkers.clear();
    analyzer.reset();
}

std::vector<int> BlockLines(const std::vector<ISyntaxTreeNode*>& blocks) {
    std::vector<int> lines;
    lines.reserve(blocks.size());
    for (ISyntaxTreeNode* block : blocks) {
        ISyntaxTreeNode* leaf = FirstTokenLeaf(block);
        lines.push_back(leaf == nullptr ? 0 : leaf->GetToken()->GetLine());
    }
    return lines;
}

void RenderProgram(ISyntaxTreeVisitor& visitor, const std::vector<ISyntaxTreeNode*>& blocks,
                   const std::vector<int>& blockLines, int lineCount,
                   const std::function<void(std::string_view)>& put) {
    // The block each line shows, counted from 1; a later block on the same line replaces an
    // earlier one.
    constexpr std::size_t kNone = 0;
    std::vector<std::size_t> shown(static_cast<std::size_t>(lineCount > 0 ? lineCount : 0), kNone);
    for (std::size_t i = 0; i < blocks.size() && i < blockLines.size(); ++i) {
        if (blockLines[i] < 1) continue;
        const auto index = static_cast<std::size_t>(blockLines[i] - 1);
        if (index >= shown.size()) shown.resize(index + 1, kNone);
        shown[index] = i + 1;
    }
    std::string text;
    for (const std::size_t block : shown) {
        text.clear();
        if (block != kNone) text = visitor.ToText(blocks[block - 1]);
        text += '\n';
        put(text);
    }
}

std::string RenderProgram(ISyntaxTreeVisitor& visitor, const std::vector<ISyntaxTreeNode*>& blocks,
                          const std::vector<int>& blockLines, int lineCount) {
    std::string program;
    RenderProgram(visitor, blocks, blockLines, lineCount,
                  [&program](std::string_view line) { program += line; });
    return program;
}

}  // namespace kv::host
