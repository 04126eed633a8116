// DeferredJsonChecks: the JSON checks of a bundle's table files, put off until after the load
// so that other threads can take some of them while the compile goes on, and answered in the
// order the files were read, as a load that checked each file at once would have answered.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/HostError.h"

namespace kv::host {

class DeferredJsonChecks {
public:
    // A check of text, as read from path with a byte-order mark of markSize bytes before it.
    // text must stay where it is, unchanged, until FirstFailure has answered. Not once Help
    // has begun.
    void Add(const std::string* text, std::string path, std::size_t markSize);

    // Runs checks no other thread has taken until none is left; from any number of threads.
    void Help();

    // The failure of the first text that fails, in the order added, or none. Runs whatever
    // no thread has taken; call it once every other thread's Help has returned.
    std::optional<HostError> FirstFailure();

private:
    struct Check {
        const std::string* text;
        std::string path;
        std::size_t markSize;
        std::optional<HostError> failure;
    };
    std::vector<Check> checks_;
    std::atomic<std::size_t> next_{0};
};

}  // namespace kv::host
