// OutputPlaces: where a compile may write. The output directory and the JSON log are checked
// against the inputs and each other before anything is compiled, and against the outputs the
// compile produced before anything is written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/AtomicWrite.h"
#include "host/HostError.h"

namespace kv::host {

// The analysed program's file in the output directory.
inline constexpr const char* kProgramFile = "program.rcp";
// The JSON log's name for standard output.
inline constexpr const char* kStandardOutput = "-";

// The paths of one compile as the user gave them (made with PathFromText from what was typed).
struct CompilePaths {
    std::filesystem::path bundle;
    std::filesystem::path recipe;
    std::filesystem::path outDir;
    std::filesystem::path logJson;  // empty: no JSON log; kStandardOutput: standard output
};

// True when the nearest existing part of path (itself or an ancestor) is a directory, so that
// whatever is missing can be created below it.
bool NearestExistingIsDirectory(const std::filesystem::path& path);
// True when a and b name the same file, links resolved as far as the paths exist.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// True when path is dir or lies below it, links resolved as far as the path exists.
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& dir);

// True when the JSON log is a file (not absent, not standard output).
bool WritesLogFile(const CompilePaths& paths);

// Where the JSON log lies below the output directory: by its path as given (its parts below
// the directory are then checked for links) or, failing that, with links resolved.
std::optional<std::filesystem::path> LogBelowOutDir(const CompilePaths& paths);

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input or pass through a link.
std::optional<HostError> CheckOutputPlaces(const CompilePaths& paths);

// The checks that need the outputs (paths relative to the output directory): the log must
// not take the place of one, and, when replacing the set, the set must not take the recipe or
// the bundle with it.
std::optional<HostError> CheckAgainstOutputs(const CompilePaths& paths,
                                             const std::vector<OutputFile>& outputs,
                                             bool replacing);

// Removes what killed runs left beside the output directory and the log.
void RemoveLeftovers(const CompilePaths& paths);

// True when a regular file may stand at path: nothing there yet, or a regular file.
bool PlainFilePlace(const std::filesystem::path& path);

}  // namespace kv::host
