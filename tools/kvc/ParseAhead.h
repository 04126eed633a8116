// ParseAhead: parses a recipe on a thread of its own, and reads off the trees what the compile
// needs of them before the analysis, while the compile loads its bundle and has the analyzer
// read the tables: a machine with a second core does both at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "arbor/RecipeParser.h"
#include "host/DiagnosticRecord.h"
#include "host/SourceText.h"

namespace kv::kvc {

// A parsed recipe with what was read off its trees before any analysis; the last four are
// empty when the recipe has syntax errors.
struct PreparedRecipe {
    ParsedRecipe parsed;
    std::vector<ISyntaxTreeNode*> blocks;                // BlocksOf(parsed)
    std::vector<kv::host::DiagnosticRecord> timePoints;  // TimePointRecords(blocks, source)
    std::vector<int> blockLines;                         // kv::host::BlockLines(blocks)
    std::vector<ISyntaxTreeNode*> allNodes;              // kv::host::AllNodesOf(blocks)
};

class ParseAhead {
public:
    // Starts preparing source, which must outlive this; where no thread can be started, Take
    // does the work instead.
    explicit ParseAhead(const kv::host::SourceText& source);
    ParseAhead(const ParseAhead&) = delete;
    ParseAhead& operator=(const ParseAhead&) = delete;
    // Waits for the work, whose result nobody took.
    ~ParseAhead();

    // Has the thread go on with then once its own work is done; a thread done with it before
    // waits for then, until Take. then must be work that the caller finishes anyway if the
    // thread did not. Once only, before Take.
    void Afterwards(std::function<void()> then);

    // Waits for the work and gives its result, or throws what it threw. Once only.
    PreparedRecipe Take();

    // How long the work itself took, wherever it ran; known once Take has returned.
    std::chrono::steady_clock::duration WorkTime() const { return workTime_; }

private:
    // Prepares the recipe into prepared_ or failure_, and times it.
    void Work();
    void Wait();

    const kv::host::SourceText& source_;
    std::mutex mutex_;
    std::condition_variable handedOver_;  // then_ was set, or closed_
    std::function<void()> then_;          // taken by the thread
    bool closed_ = false;                 // no then_ comes any more: Take or the end
    PreparedRecipe prepared_;
    std::exception_ptr failure_;
    std::chrono::steady_clock::duration workTime_{};
    std::thread thread_;
    bool started_ = false;
};

}  // namespace kv::kvc
