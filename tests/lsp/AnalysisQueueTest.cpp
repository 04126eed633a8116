// The analysis thread: a newer submission or a close drops an older analysis's result, and
// changes that come quickly are analysed once.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "tools/kvc/lsp/AnalysisQueue.h"

namespace {

using namespace std::chrono_literals;

// Work that records what it analysed and published, and can be held inside an analysis.
class Recorder {
public:
    kv::lsp::AnalysisQueue::Work Work() {
        return [this](const std::string& uri, int version, const std::string&) {
            std::unique_lock<std::mutex> lock(mutex_);
            started_.push_back(uri + "@" + std::to_string(version));
            changed_.notify_all();
            changed_.wait(lock, [&] { return !holding_; });
            return std::function<void()>([this, uri, version] {
                // Called with the queue's lock held, never with ours.
                const std::lock_guard<std::mutex> inner(mutex_);
                published_.push_back(uri + "@" + std::to_string(version));
                changed_.notify_all();
            });
        };
    }
    void Hold() {
        const std::lock_guard<std::mutex> lock(mutex_);
        holding_ = true;
    }
    void Release() {
        const std::lock_guard<std::mutex> lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }
    void WaitStarted(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, 10s, [&] { return started_.size() >= count; }));
    }
    void WaitPublished(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, 10s, [&] { return published_.size() >= count; }));
    }
    std::vector<std::string> Started() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return started_;
    }
    std::vector<std::string> Published() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return published_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
    std::vector<std::string> started_;
    std::vector<std::string> published_;
};

TEST(AnalysisQueue, ANewerSubmissionDropsTheResultOfTheRunningAnalysis) {
    Recorder recorder;
    kv::lsp::AnalysisQueue queue(recorder.Work(), 0ms);
    recorder.Hold();
    queue.Submit("a", 1, "one", true);
    recorder.WaitStarted(1);
    queue.Submit("a", 2, "two", true);
    queue.Submit("b", 1, "other", true);
    recorder.Release();
    recorder.WaitPublished(2);
    EXPECT_EQ(recorder.Started(), (std::vector<std::string>{"a@1", "a@2", "b@1"}));
    EXPECT_EQ(recorder.Published(), (std::vector<std::string>{"a@2", "b@1"}));
}

TEST(AnalysisQueue, AClosePublishesAfterWhateverRanForTheDocument) {
    Recorder recorder;
    kv::lsp::AnalysisQueue queue(recorder.Work(), 0ms);
    recorder.Hold();
    queue.Submit("a", 1, "one", true);
    recorder.WaitStarted(1);
    bool closed = false;
    queue.Close("a", [&] { closed = true; });
    EXPECT_TRUE(closed);
    recorder.Release();
    queue.Submit("b", 1, "other", true);
    recorder.WaitPublished(1);
    EXPECT_EQ(recorder.Published(), (std::vector<std::string>{"b@1"}));
}

TEST(AnalysisQueue, ChangesWithinTheDebounceAreAnalysedOnceAsTheLastOne) {
    Recorder recorder;
    kv::lsp::AnalysisQueue queue(recorder.Work(), 200ms);
    for (int version = 1; version <= 5; ++version) {
        queue.Submit("a", version, std::to_string(version), false);
    }
    recorder.WaitPublished(1);
    EXPECT_EQ(recorder.Started(), (std::vector<std::string>{"a@5"}));
}

}  // namespace
