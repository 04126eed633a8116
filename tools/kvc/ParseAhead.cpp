// ParseAhead: the work on its thread, and the wait for it.
#include "tools/kvc/ParseAhead.h"

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <utility>
#include <vector>

#include "arbor/BlockTree.h"
#include "host/RecipeDrive.h"
#include "tools/kvc/RecipeAnalysis.h"
#include "tools/kvc/TimePointWarnings.h"

namespace kv::kvc {
namespace {

// The leaves of every block in one list, gathered block by block. The total is known only at
// the end, so they go into chunks first and are copied once into a list of the exact size: one
// list grown by doubling would copy them again at every step and end up to twice as large.
class LeafChunks {
public:
    void Append(ISyntaxTreeNode* block) {
        // A parsed block has no more leaves than tokens.
        const std::size_t leaves = SizeHintOf(block).tokens;
        if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < leaves) {
            chunks_.emplace_back().reserve(std::max(kChunk, leaves));
        }
        AppendTokenLeaves(block, chunks_.back());
    }

    std::vector<ISyntaxTreeNode*> Take() {
        std::size_t total = 0;
        for (const auto& chunk : chunks_) total += chunk.size();
        std::vector<ISyntaxTreeNode*> all;
        all.reserve(total);
        for (auto& chunk : chunks_) {
            all.insert(all.end(), chunk.begin(), chunk.end());
            std::vector<ISyntaxTreeNode*>().swap(chunk);
        }
        chunks_.clear();
        return all;
    }

private:
    static constexpr std::size_t kChunk = 32 * 1024;
    std::vector<std::vector<ISyntaxTreeNode*>> chunks_;
};

PreparedRecipe Prepare(const kv::host::SourceText& source) {
    PreparedRecipe prepared;
    // A line holds at most one block.
    prepared.blocks.reserve(static_cast<std::size_t>(source.LineCount()));
    prepared.blockLines.reserve(static_cast<std::size_t>(source.LineCount()));
    std::vector<RecipeWarning> warnings;
    LeafChunks leaves;
    // Each tree is read as soon as the parse has built it: once the parse is over, the first
    // trees are long out of the cache, and every walk of them would miss it node by node.
    // Reading needs nothing from the host, the listing of the nodes included.
    prepared.parsed =
        ParseRecipe(source.SharedText(), kPlatformRecipeEncoding, [&](ISyntaxTreeNode* block) {
            prepared.blocks.push_back(block);
            prepared.blockLines.push_back(kv::host::BlockLine(block));
            AppendTimePointWarnings(block, warnings);
            leaves.Append(block);
        });
    if (!prepared.parsed.errors.empty()) {
        PreparedRecipe failed;
        failed.parsed = std::move(prepared.parsed);
        return failed;
    }
    prepared.timePoints = TimePointRecords(std::move(warnings), source);
    prepared.allNodes = leaves.Take();
    return prepared;
}

}  // namespace

ParseAhead::ParseAhead(const kv::host::SourceText& source) : source_(source) {
    try {
        thread_ = std::thread([this] {
            Work();
            // A small recipe is parsed long before the compile has more work to hand over, and
            // the thread waits for it rather than leave the compile to do it alone.
            std::function<void()> then;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                handedOver_.wait(lock, [this] { return then_ || closed_; });
                then = std::move(then_);
            }
            if (then) then();
        });
        started_ = true;
    } catch (const std::system_error&) {
        // No thread to be had: the work waits for Take.
    }
}

ParseAhead::~ParseAhead() { Wait(); }

void ParseAhead::Afterwards(std::function<void()> then) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return;
        then_ = std::move(then);
    }
    handedOver_.notify_one();
}

void ParseAhead::Wait() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    handedOver_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void ParseAhead::Work() {
    const auto start = std::chrono::steady_clock::now();
    try {
        prepared_ = Prepare(source_);
    } catch (...) {
        failure_ = std::current_exception();
    }
    workTime_ = std::chrono::steady_clock::now() - start;
}

PreparedRecipe ParseAhead::Take() {
    Wait();
    if (!started_) Work();
    if (failure_) std::rethrow_exception(failure_);
    return std::move(prepared_);
}

}  // namespace kv::kvc
