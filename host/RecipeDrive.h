// RecipeDrive: runs the analyzer over a parsed recipe the way a compiler host does, and
// renders the analysed program.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IData;
class ISyntaxTreeNode;
class ISyntaxTreeVisitor;
class ISemanticAnalyzer;

namespace kv::host {

class ExitHandOver;

// createObject(data); BeforeAnalyze(first block); GetAppSemanticAnalyzers; for every block,
// every node of CollectNodes(block) is offered to each checker in list order with the nodes
// of all blocks, and a checker that asks for it has the node's token classified again;
// EndAnalyze(block) for every block; AppParamDataVmPro(blocks); then the checkers are
// deleted, then the analyzer. Returns false when createObject gave no analyzer.
// Node pointers are not kept across EndAnalyze, which may destroy argument nodes.
// tablesRead, if given, is called once the analyzer exists, which is when it has read the
// tables; the library reads them nowhere else.
bool DriveAnalyzer(IData& data, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks,
                   const std::function<void()>& tablesRead = {});
// The same drive from BeforeAnalyze on, for an analyzer createObject gave earlier.
void DriveAnalyzer(std::unique_ptr<ISemanticAnalyzer> analyzer, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks);
// The same again, with the nodes of all blocks collected ahead (AllNodesOf(visitor, blocks),
// taken before anything rewrote a tree), for a host that has them collected on another thread.
// With remains, the checkers and the analyzer are kept there instead of deleted (the checkers
// still go first), for a process that leaves them to its exit.
void DriveAnalyzer(std::unique_ptr<ISemanticAnalyzer> analyzer, ISyntaxTreeVisitor& visitor,
                   const std::vector<ISyntaxTreeNode*>& blocks,
                   std::vector<ISyntaxTreeNode*> allNodes, ExitHandOver* remains = nullptr);

// CollectNodes of every block, one after another: the list the checkers are offered.
std::vector<ISyntaxTreeNode*> AllNodesOf(ISyntaxTreeVisitor& visitor,
                                         const std::vector<ISyntaxTreeNode*>& blocks);

// The source line of each block: the line of the first token leaf that the library's
// CollectNodes would list (0 for a block without one), found without listing the others.
std::vector<int> BlockLines(const std::vector<ISyntaxTreeNode*>& blocks);
// The same for one block.
int BlockLine(ISyntaxTreeNode* block);

// Which block each line of the program shows: a block is rendered by ToText on its own source
// line and every other line is empty, lineCount lines in all (more if a block lies beyond).
// Holds on to blocks.
class ProgramLayout {
public:
    ProgramLayout(const std::vector<ISyntaxTreeNode*>& blocks, const std::vector<int>& blockLines,
                  int lineCount);

    std::size_t LineCount() const { return shown_.size(); }
    // Lines [first, last) of the program handed to put one by one, each with its line feed,
    // rendered as ToText renders (AppendTreeText). Only reads the trees, so that lines of one
    // layout may be rendered on several threads.
    void Render(std::size_t first, std::size_t last,
                const std::function<void(std::string_view)>& put) const;

private:
    const std::vector<ISyntaxTreeNode*>& blocks_;
    // Per line, 0 for none or the index of its block plus 1.
    std::vector<std::size_t> shown_;
};

// The program text of ProgramLayout(blocks, blockLines, lineCount), each line ending with a
// line feed.
std::string RenderProgram(const std::vector<ISyntaxTreeNode*>& blocks,
                          const std::vector<int>& blockLines, int lineCount);

}  // namespace kv::host
