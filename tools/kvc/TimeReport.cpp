// TimeReport: the marks and their table.
#include "tools/kvc/TimeReport.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/kvc/KvcMessages.h"

namespace kv::kvc {
namespace msg = kv::diag::kvc;

namespace {

void WriteLine(std::ostream& out, const PhaseClock::Name& phase, std::size_t width,
               PhaseClock::Clock::duration took) {
    const std::string name = kv::diag::Text(phase);
    char number[32];
    const double ms = std::chrono::duration<double, std::milli>(took).count();
    std::snprintf(number, sizeof number, "%10.1f", ms);
    out << "  " << name << std::string(width - name.size(), ' ') << number << '\n';
}

}  // namespace

void PhaseClock::Mark(const Name& phase) {
    const Clock::time_point now = Clock::now();
    phases_.push_back({&phase, now - last_});
    last_ = now;
}

void PhaseClock::Aside(const Name& phase, Clock::duration took) {
    aside_.push_back({&phase, took});
}

void PhaseClock::Write(std::ostream& out) const {
    std::size_t width = kv::diag::Text(msg::PhaseTotal).size();
    for (const auto* list : {&phases_, &aside_}) {
        for (const Phase& phase : *list)
            width = std::max(width, kv::diag::Text(*phase.name).size());
    }
    out << "kvc: " << kv::diag::Text(msg::TimeReportTitle) << '\n';
    for (const Phase& phase : phases_) WriteLine(out, *phase.name, width, phase.took);
    WriteLine(out, msg::PhaseTotal, width, last_ - start_);
    for (const Phase& phase : aside_) WriteLine(out, *phase.name, width, phase.took);
}

}  // namespace kv::kvc
