// ParseAhead: the work on its thread, and the wait for it.
#include "tools/kvc/ParseAhead.h"

#include <memory>
#include <system_error>
#include <utility>

#include "arbor/Arbor.h"
#include "host/RecipeDrive.h"
#include "tools/kvc/RecipeAnalysis.h"

namespace kv::kvc {
namespace {

PreparedRecipe Prepare(const kv::host::SourceText& source) {
    PreparedRecipe prepared;
    prepared.parsed = ParseRecipe(source.SharedText());
    if (!prepared.parsed.errors.empty()) return prepared;
    // Read off the trees while the parse has just left them in the cache.
    prepared.blocks = BlocksOf(prepared.parsed);
    prepared.timePoints = TimePointRecords(prepared.blocks, source);
    prepared.blockLines = kv::host::BlockLines(prepared.blocks);
    // The rendering rules, and so the listing of the nodes, need nothing from the host.
    const std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(nullptr));
    prepared.allNodes = kv::host::AllNodesOf(*visitor, prepared.blocks);
    return prepared;
}

}  // namespace

ParseAhead::ParseAhead(const kv::host::SourceText& source) : source_(source) {
    try {
        thread_ = std::thread([this] {
            try {
                prepared_ = Prepare(source_);
            } catch (...) {
                failure_ = std::current_exception();
            }
            std::function<void()> then;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                then = std::move(then_);
                through_ = true;
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
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!through_) then_ = std::move(then);
}

void ParseAhead::Wait() {
    if (thread_.joinable()) thread_.join();
}

PreparedRecipe ParseAhead::Take() {
    Wait();
    if (!started_) return Prepare(source_);
    if (failure_) std::rethrow_exception(failure_);
    return std::move(prepared_);
}

}  // namespace kv::kvc
