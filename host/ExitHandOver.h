// ExitHandOver: lets a process that is about to exit leave its large structures to the exit,
// which returns all memory at once, instead of freeing them node by node.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace kv::host {

// True in builds that check for leaks, where everything must still be destroyed.
#if defined(KV_SANITIZE) || defined(__SANITIZE_ADDRESS__)
inline constexpr bool kDestroyBeforeExit = true;
#else
inline constexpr bool kDestroyBeforeExit = false;
#endif

// Owns what a command built, in the order it was kept. Destroying it destroys everything,
// last kept first; Abandon() instead leaves it all to the process exit.
class ExitHandOver {
public:
    ExitHandOver() = default;
    ExitHandOver(const ExitHandOver&) = delete;
    ExitHandOver& operator=(const ExitHandOver&) = delete;
    ~ExitHandOver() {
        while (!kept_.empty()) kept_.pop_back();
    }

    // Takes owned over and returns it, still usable until this hand-over goes.
    template <typename T>
    T& Keep(std::unique_ptr<T> owned) {
        T& object = *owned;
        kept_.push_back(std::make_unique<Holder<T>>(std::move(owned)));
        return object;
    }
    template <typename T, typename... Args>
    T& Make(Args&&... args) {
        return Keep(std::make_unique<T>(std::forward<Args>(args)...));
    }

    // Nothing kept is destroyed: no destructor of theirs runs, no memory of theirs is freed.
    // Only for a process that ends right after, having written and flushed all it writes.
    // Builds that check for leaks destroy everything here instead.
    static void Abandon(std::unique_ptr<ExitHandOver> handOver) {
        if constexpr (kDestroyBeforeExit) {
            handOver.reset();
        } else {
            static_cast<void>(handOver.release());
        }
    }

private:
    struct Held {
        virtual ~Held() = default;
    };
    template <typename T>
    struct Holder final : Held {
        explicit Holder(std::unique_ptr<T> object) : owned(std::move(object)) {}
        std::unique_ptr<T> owned;
    };

    std::vector<std::unique_ptr<Held>> kept_;
};

}  // namespace kv::host
