// AnalysisQueue: runs the analyses of open documents on a thread of its own, so that the
// server goes on reading while one runs. A change waits for a quiet moment (the debounce); a
// newer change or a close drops an older analysis, whose result is then never published.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kv::lsp {

class AnalysisQueue {
public:
    // Analyses a document's text and publishes what it found; runs on the queue's thread.
    // Its result is passed to publish only while no newer submission or close of the same
    // document came in.
    using Work = std::function<std::function<void()>(const std::string& uri, int version,
                                                     const std::string& text)>;

    AnalysisQueue(Work work, std::chrono::milliseconds debounce);
    // Waits for a running analysis, drops the waiting ones.
    ~AnalysisQueue();
    AnalysisQueue(const AnalysisQueue&) = delete;
    AnalysisQueue& operator=(const AnalysisQueue&) = delete;

    // Queues the document's text, replacing what waits for it; after the debounce unless now.
    void Submit(const std::string& uri, int version, std::string text, bool now);
    // Drops what waits or runs for uri, and runs then under the queue's lock, so that no
    // result of an earlier analysis is published after it.
    void Close(const std::string& uri, const std::function<void()>& then);

private:
    struct Job {
        int version = 0;
        std::string text;
        std::chrono::steady_clock::time_point due;
        std::uint64_t generation = 0;
    };

    void Loop();

    Work work_;
    std::chrono::milliseconds debounce_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::string, Job> waiting_;
    // The latest submission of each open document; an analysis publishes only while its
    // generation is still the latest.
    std::map<std::string, std::uint64_t> latest_;
    std::uint64_t nextGeneration_ = 1;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kv::lsp
