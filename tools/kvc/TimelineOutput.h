// TimelineOutput: where a compile's timeline picture may go, and writing it there.
#pragma once

#include <filesystem>
#include <optional>

#include "host/HostError.h"
#include "host/OutputPlaces.h"
#include "host/timeline/Timeline.h"

namespace kv::kvc {

// The checks that need no compile: the picture must be a file that is none of the inputs and
// none of the outputs (the output directory and what the compile writes in it, the log).
// paths.outDir is empty when the compile writes no outputs.
std::optional<kv::host::HostError> CheckTimelinePlace(const kv::host::CompilePaths& paths,
                                                      const std::filesystem::path& picture);

// Draws timeline and writes it to picture as a whole.
std::optional<kv::host::HostError> WriteTimeline(const kv::timeline::Timeline& timeline,
                                                 const std::filesystem::path& picture);

}  // namespace kv::kvc
