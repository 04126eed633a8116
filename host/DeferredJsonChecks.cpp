// DeferredJsonChecks: checks handed out one at a time, answered in order.
#include "host/DeferredJsonChecks.h"

#include <utility>

#include "host/JsonCheck.h"

namespace kv::host {

void DeferredJsonChecks::Add(const std::string* text, std::string path, std::size_t markSize) {
    checks_.push_back({text, std::move(path), markSize, std::nullopt});
}

void DeferredJsonChecks::Help() {
    for (;;) {
        const std::size_t taken = next_.fetch_add(1, std::memory_order_relaxed);
        if (taken >= checks_.size()) return;
        Check& check = checks_[taken];
        check.failure = CheckJsonText(*check.text, check.path, check.markSize);
    }
}

std::optional<HostError> DeferredJsonChecks::FirstFailure() {
    Help();
    for (const Check& check : checks_) {
        if (check.failure) return check.failure;
    }
    return std::nullopt;
}

}  // namespace kv::host
