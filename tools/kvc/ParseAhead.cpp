// ParseAhead: the parse on its thread, and the wait for it.
#include "tools/kvc/ParseAhead.h"

#include <system_error>
#include <utility>

namespace kv::kvc {

ParseAhead::ParseAhead(std::shared_ptr<const std::string> text) : text_(std::move(text)) {
    try {
        thread_ = std::thread([this] {
            try {
                parsed_ = ParseRecipe(text_);
            } catch (...) {
                failure_ = std::current_exception();
            }
        });
        started_ = true;
    } catch (const std::system_error&) {
        // No thread to be had: the parse waits for Take.
    }
}

ParseAhead::~ParseAhead() { Wait(); }

void ParseAhead::Wait() {
    if (thread_.joinable()) thread_.join();
}

ParsedRecipe ParseAhead::Take() {
    Wait();
    if (!started_) return ParseRecipe(text_);
    if (failure_) std::rethrow_exception(failure_);
    return std::move(parsed_);
}

}  // namespace kv::kvc
