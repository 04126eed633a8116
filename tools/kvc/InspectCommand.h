// InspectCommand: `kvc inspect IMAGE [--json]`.
#pragma once

#include <filesystem>
#include <ostream>

namespace kv::kvc {

struct InspectOptions {
    std::filesystem::path image;
    bool json = false;
};

// Prints the decoded image to out; returns 0, 1 for a malformed image, 2 when the file
// cannot be read. Errors go to err as one "kvc: error: ..." line.
int RunInspect(const InspectOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::kvc
