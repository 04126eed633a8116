// TwoHandedRender: the chunks, the second thread and the handing over of its chunks.
#include "tools/kvc/TwoHandedRender.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace kv::kvc {
namespace {

void RenderChunk(const kv::host::ProgramLayout& layout, const LineEncoder& encode,
                 std::size_t chunk, std::size_t chunkLines, std::string& out) {
    out.clear();
    const std::size_t first = chunk * chunkLines;
    const std::size_t last = std::min(first + chunkLines, layout.LineCount());
    layout.Render(first, last, [&](std::string_view line) { encode(line, out); });
}

// The second thread: renders chunks 1, 3, 5, ... into two slots taken in turn, each of which
// waits until this thread has handed its last chunk on.
class SecondHand {
public:
    SecondHand(const kv::host::ProgramLayout& layout, const LineEncoder& encode,
               std::size_t chunkLines, std::size_t chunks)
        : layout_(layout),
          encode_(encode),
          chunkLines_(chunkLines),
          chunks_(chunks),
          thread_([this] { Run(); }) {}
    SecondHand(const SecondHand&) = delete;
    SecondHand& operator=(const SecondHand&) = delete;
    ~SecondHand() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        freed_.notify_all();
        thread_.join();
    }

    // Hands chunk 2 * turn + 1 to put once it is rendered, or throws what stopped its rendering.
    void HandOn(std::size_t turn, const std::function<void(std::string_view)>& put) {
        Slot& slot = slots_[turn % slots_.size()];
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [&] { return slot.full || failure_; });
            if (!slot.full) std::rethrow_exception(failure_);
        }
        // A full slot is left alone by the second thread.
        put(slot.text);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slot.full = false;
        }
        freed_.notify_one();
    }

private:
    struct Slot {
        std::string text;
        bool full = false;
    };

    void Run() {
        try {
            for (std::size_t turn = 0; 2 * turn + 1 < chunks_; ++turn) {
                Slot& slot = slots_[turn % slots_.size()];
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    freed_.wait(lock, [&] { return !slot.full || stopped_; });
                    if (stopped_) return;
                }
                RenderChunk(layout_, encode_, 2 * turn + 1, chunkLines_, slot.text);
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    slot.full = true;
                }
                ready_.notify_one();
            }
        } catch (...) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                failure_ = std::current_exception();
            }
            ready_.notify_one();
        }
    }

    const kv::host::ProgramLayout& layout_;
    const LineEncoder& encode_;
    const std::size_t chunkLines_;
    const std::size_t chunks_;
    std::mutex mutex_;
    std::condition_variable ready_;  // a slot was filled, or the rendering failed
    std::condition_variable freed_;  // a slot was handed on, or the thread is to stop
    std::array<Slot, 2> slots_;
    std::exception_ptr failure_;
    bool stopped_ = false;
    std::thread thread_;  // last, so that it starts once everything it reads exists
};

}  // namespace

void RenderInTwoHands(const kv::host::ProgramLayout& layout, const LineEncoder& encode,
                      const std::function<void(std::string_view)>& put, std::size_t chunkLines) {
    chunkLines = std::max<std::size_t>(chunkLines, 1);
    const std::size_t chunks = (layout.LineCount() + chunkLines - 1) / chunkLines;
    std::optional<SecondHand> second;
    if (chunks > 1) {
        try {
            second.emplace(layout, encode, chunkLines, chunks);
        } catch (const std::system_error&) {
            // No thread to be had: this one renders every chunk.
        }
    }
    std::string text;
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        if (second && chunk % 2 == 1) {
            second->HandOn(chunk / 2, put);
            continue;
        }
        RenderChunk(layout, encode, chunk, chunkLines, text);
        put(text);
    }
}

}  // namespace kv::kvc
