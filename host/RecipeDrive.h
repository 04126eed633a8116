// RecipeDrive: runs the analyzer over a parsed recipe the way a compiler host does, and
// renders the analysed program.
#pragma once

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

// The source line of each block: the line of the first token leaf that the library's
// CollectNodes would list (0 for a block without one), found without listing the others.
std::vector<int> BlockLines(const std::vector<ISyntaxTreeNode*>& blocks);

// The program text with each block rendered by ToText on its own source line and every
// other line empty, lineCount lines in all (more if a block lies beyond), each ending with
// a line feed.
std::string RenderProgram(ISyntaxTreeVisitor& visitor, const std::vector<ISyntaxTreeNode*>& blocks,
                          const std::vector<int>& blockLines, int lineCount);
// The same text handed to put line by line (each line with its line feed), for a program too
// large to hold whole beside its trees.
void RenderProgram(ISyntaxTreeVisitor& visitor, const std::vector<ISyntaxTreeNode*>& blocks,
                   const std::vector<int>& blockLines, int lineCount,
                   const std::function<void(std::string_view)>& put);

}  // namespace kv::host
