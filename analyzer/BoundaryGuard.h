// GuardBoundary: keeps exceptions from crossing into the host.
#pragma once

#include <exception>
#include <string>

#include "IData.h"
#include "analyzer/AnalyzerMessages.h"

// Runs body; an exception that escapes it becomes one numbered error on the host's log sink
// instead of unwinding through the host, which was not built to catch ours.
template <typename Body>
void GuardBoundary(IData* data, Body&& body) {
    std::string reason;
    try {
        body();
        return;
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = "unknown";
    }
    kv::diag::Report(data, kv::diag::analyzer::InternalFailure, kv::diag::NoLine(), reason);
}
