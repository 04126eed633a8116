// AnalysisQueue: one worker thread, the waiting jobs by document, generations to drop stale
// results.
#include "tools/kvc/lsp/AnalysisQueue.h"

#include <algorithm>

namespace kv::lsp {

AnalysisQueue::AnalysisQueue(Work work, std::chrono::milliseconds debounce)
    : work_(std::move(work)), debounce_(debounce), thread_([this] { Loop(); }) {}

AnalysisQueue::~AnalysisQueue() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void AnalysisQueue::Submit(const std::string& uri, int version, std::string text, bool now) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::uint64_t generation = nextGeneration_++;
        latest_[uri] = generation;
        const auto due =
            std::chrono::steady_clock::now() + (now ? std::chrono::milliseconds(0) : debounce_);
        waiting_[uri] = Job{version, std::move(text), due, generation};
    }
    wake_.notify_all();
}

void AnalysisQueue::Close(const std::string& uri, const std::function<void()>& then) {
    const std::lock_guard<std::mutex> lock(mutex_);
    waiting_.erase(uri);
    latest_.erase(uri);
    then();
}

void AnalysisQueue::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (waiting_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto next = std::min_element(
            waiting_.begin(), waiting_.end(),
            [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        if (next->second.due > std::chrono::steady_clock::now()) {
            wake_.wait_until(lock, next->second.due);
            continue;
        }
        const std::string uri = next->first;
        Job job = std::move(next->second);
        waiting_.erase(next);
        lock.unlock();
        std::function<void()> publish = work_(uri, job.version, job.text);
        lock.lock();
        const auto latest = latest_.find(uri);
        if (!stopping_ && publish && latest != latest_.end() && latest->second == job.generation) {
            publish();
        }
    }
}

}  // namespace kv::lsp
