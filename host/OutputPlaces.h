// OutputPlaces: where a compile may write. The output directory, the JSON log and the
// diagnostics file are checked against the inputs and each other before anything is compiled,
// and against the outputs the compile produced before anything is written.
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
// The name of standard output for the JSON log and the diagnostics file.
inline constexpr const char* kStandardOutput = "-";

// The paths of one compile as the user gave them (made with PathFromText from what was typed).
struct CompilePaths {
    std::filesystem::path bundle;
    std::filesystem::path recipe;
    std::filesystem::path outDir;           // empty: a check, which writes no outputs
    std::filesystem::path logJson;          // empty: no JSON log; kStandardOutput: standard output
    std::filesystem::path diagnosticsFile;  // empty: standard error; kStandardOutput: output
};

// True when path names a file: neither empty nor standard output.
bool NamesFile(const std::filesystem::path& path);
// True when the nearest existing part of path (itself or an ancestor) is a directory, so that
// whatever is missing can be created below it.
bool NearestExistingIsDirectory(const std::filesystem::path& path);
// True when a and b name the same file, links resolved as far as the paths exist.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// True when path is dir or lies below it, links resolved as far as the path exists.
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& dir);

// Where file (the JSON log or the diagnostics file) lies below the output directory: by its
// path as given (its parts below the directory are then checked for links) or, failing that,
// with links resolved.
std::optional<std::filesystem::path> BelowOutDir(const CompilePaths& paths,
                                                 const std::filesystem::path& file);

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input or pass through a link.
std::optional<HostError> CheckOutputPlaces(const CompilePaths& paths);

// The checks that need the outputs (paths relative to the output directory): the log and the
// diagnostics file must not take the place of one, and, when replacing the set, the set must
// not take the recipe or the bundle with it.
std::optional<HostError> CheckAgainstOutputs(const CompilePaths& paths,
                                             const std::vector<OutputFile>& outputs,
                                             bool replacing);

// Removes what killed runs left beside the output directory, the log and the diagnostics file.
void RemoveLeftovers(const CompilePaths& paths);

// True when a regular file may stand at path: nothing there yet, or a regular file.
bool PlainFilePlace(const std::filesystem::path& path);

}  // namespace kv::host
