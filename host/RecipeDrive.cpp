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
#include "host/ExitHandOver.h"

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
    DriveAnalyzer(std::move(analyzer), visitor, blocks, AllNodesOf(visitor, blocks));
}

std::vector<ISyntaxTreeNode*> AllNodesOf(ISyntaxTreeVisitor& visitor,
                                         const std::vector<ISyntaxTreeNode*>& blocks) {
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
    return allNodes;
}

void DriveAnalyzer(std::unique_ptr<ISemanticAnalyzer> analyzer, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks,
                   std::vector<ISyntaxTreeNode*> allNodes, ExitHandOver* remains) {
    analyzer->BeforeAnalyze(blocks.empty() ? nullptr : blocks.front());

    std::vector<ISemanticGenerator*> offered;
    analyzer->GetAppSemanticAnalyzers(offered);
    // Declared after the analyzer so that, even on an early exit, they go first.
    std::vector<std::unique_ptr<ISemanticGenerator>> checkers;
    for (ISemanticGenerator* checker : offered) {
        if (checker != nullptr) checkers.emplace_back(checker);
    }

    // The checkers may edit allNodes, so the walk does not go through it. Checkers rewrite
    // token texts but never the tree, so collecting each block again gives the same walk as a
    // copy of the whole list would, without holding that copy.
    ForEachBlockReadingAhead(blocks, [&](ISyntaxTreeNode* block) {
        for (ISyntaxTreeNode* node : visitor.CollectNodes(block)) {
            for (const auto& checker : checkers) {
                checker->Analyze(node, &allNodes);
                if (checker->GetNeedReSyntaxAnalyze()) ReclassifyToken(node);
            }
        }
    });
    // Not needed past the checkers.
    std::vector<ISyntaxTreeNode*>().swap(allNodes);

    ForEachBlockReadingAhead(blocks, [&](ISyntaxTreeNode* block) { analyzer->EndAnalyze(block); });
    std::vector<ISyntaxTreeNode*> roots = blocks;
    analyzer->AppParamDataVmPro(roots);

    if (remains != nullptr) {
        remains->Keep(std::move(analyzer));
        for (auto& checker : checkers) remains->Keep(std::move(checker));
        return;
    }
    checkers.clear();
    analyzer.reset();
}

std::vector<int> BlockLines(const std::vector<ISyntaxTreeNode*>& blocks) {
    std::vector<int> lines;
    lines.reserve(blocks.size());
    for (ISyntaxTreeNode* block : blocks) lines.push_back(BlockLine(block));
    return lines;
}

int BlockLine(ISyntaxTreeNode* block) {
    ISyntaxTreeNode* leaf = FirstTokenLeaf(block);
    return leaf == nullptr ? 0 : leaf->GetToken()->GetLine();
}

ProgramLayout::ProgramLayout(const std::vector<ISyntaxTreeNode*>& blocks,
                             const std::vector<int>& blockLines, int lineCount)
    : blocks_(blocks), shown_(static_cast<std::size_t>(lineCount > 0 ? lineCount : 0), 0) {
    // A later block on the same line replaces an earlier one.
    for (std::size_t i = 0; i < blocks.size() && i < blockLines.size(); ++i) {
        if (blockLines[i] < 1) continue;
        const auto index = static_cast<std::size_t>(blockLines[i] - 1);
        if (index >= shown_.size()) shown_.resize(index + 1, 0);
        shown_[index] = i + 1;
    }
}

void ProgramLayout::Render(std::size_t first, std::size_t last,
                           const std::function<void(std::string_view)>& put) const {
    // One text for all the lines: a line costs no allocation of its own.
    std::string text;
    for (std::size_t line = first; line < last && line < shown_.size(); ++line) {
        text.clear();
        if (const std::size_t block = shown_[line]; block != 0) {
            PrefetchAhead(blocks_, block - 1);
            AppendTreeText(blocks_[block - 1], text);
        }
        text += '\n';
        put(text);
    }
}

std::string RenderProgram(const std::vector<ISyntaxTreeNode*>& blocks,
                          const std::vector<int>& blockLines, int lineCount) {
    const ProgramLayout layout(blocks, blockLines, lineCount);
    std::string program;
    layout.Render(0, layout.LineCount(), [&program](std::string_view line) { program += line; });
    return program;
}

}  // namespace kv::host
