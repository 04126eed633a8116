// AtomicWrite: writes output files so that an interrupted run never leaves half a file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/HostError.h"

namespace kvhost {

// One file to write: where it goes and its exact bytes.
struct OutputFile {
    std::filesystem::path path;
    std::string bytes;
};

// Writes every file under a temporary name in its own directory (creating directories as
// needed), and only when all of them were written renames them into place. On a failure
// before the renames, the temporary files and the directories it created are removed, so
// nothing is left behind; returns the first failure.
std::optional<HostError> WriteFilesAtomically(const std::vector<OutputFile>& files);

}  // namespace kvhost
