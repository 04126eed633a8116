// TimeReport: how long each phase of a compile took, for `kvc compile --time-report`.
#pragma once

#include <chrono>
#include <ostream>
#include <vector>

#include "diag/Diagnostic.h"

namespace kv::kvc {

class PhaseClock {
public:
    using Clock = std::chrono::steady_clock;

    PhaseClock() : start_(Clock::now()), last_(start_) {}

    // A phase is named by its message in the catalog, which outlives the clock.
    using Name = kv::diag::Message<0>;

    // Ends the phase that began at the previous mark, or at the start.
    void Mark(const Name& phase);
    // Work that ran beside the phases, on another thread: shown after the total.
    void Aside(const Name& phase, Clock::duration took);

    // A title line, a line per phase with its milliseconds, the total from the start to the
    // last mark, then the work beside.
    void Write(std::ostream& out) const;

private:
    struct Phase {
        const Name* name;
        Clock::duration took;
    };

    Clock::time_point start_;
    Clock::time_point last_;
    std::vector<Phase> phases_;
    std::vector<Phase> aside_;
};

}  // namespace kv::kvc
