// OutputPlaces: path comparisons with links resolved as far as the paths exist.
#include "host/OutputPlaces.h"

#include <system_error>

#include "host/HostMessages.h"
#include "host/HostText.h"
#include "host/OutputSet.h"
#include "host/PlatformFiles.h"

namespace kv::host {
namespace fs = std::filesystem;
namespace msg = kv::diag::host;

// True when the nearest existing part of path (itself or an ancestor) is a directory, so that
// whatever is missing can be created below it.
bool NearestExistingIsDirectory(const fs::path& path) {
    std::error_code ec;
    for (fs::path walk = fs::absolute(path, ec); !ec && !walk.empty(); walk = walk.parent_path()) {
        if (fs::exists(walk, ec)) return fs::is_directory(walk, ec);
        if (walk == walk.parent_path()) break;
    }
    return false;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const fs::path left = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path right = fs::weakly_canonical(b, ec);
    return !ec && left == right;
}

// True when path is dir or lies below it, links resolved as far as the path exists.
bool IsWithin(const fs::path& path, const fs::path& dir) {
    std::error_code ec;
    const fs::path inner = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path outer = fs::weakly_canonical(dir, ec);
    if (ec) return false;
    const fs::path relative = inner.lexically_relative(outer);
    return !relative.empty() && *relative.begin() != "..";
}

namespace {

// An absolute path without "." or ".." parts or a trailing separator.
fs::path Normal(const fs::path& path) {
    std::error_code ec;
    fs::path normal = fs::absolute(path, ec).lexically_normal();
    if (normal.filename().empty() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

// Normal, with the links of its existing part resolved.
fs::path Resolved(const fs::path& path) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(Normal(path), ec);
    return ec ? Normal(path) : Normal(resolved);
}

// path relative to dir when it lies below dir (not dir itself).
std::optional<fs::path> RelativeBelow(const fs::path& path, const fs::path& dir) {
    const fs::path relative = path.lexically_relative(dir);
    if (relative.empty() || relative == "." || *relative.begin() == "..") return std::nullopt;
    return relative;
}

}  // namespace

bool WritesLogFile(const CompilePaths& options) {
    return !options.logJson.empty() && options.logJson != kStandardOutput;
}

// Where the JSON log lies below the output directory: by its path as given (its parts below
// the directory are then checked for links) or, failing that, with links resolved.
std::optional<fs::path> LogBelowOutDir(const CompilePaths& options) {
    if (!WritesLogFile(options)) return std::nullopt;
    if (auto given = RelativeBelow(Normal(options.logJson), Normal(options.outDir))) return given;
    return RelativeBelow(Resolved(options.logJson), Resolved(options.outDir));
}

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input.
std::optional<HostError> CheckOutputPlaces(const CompilePaths& options) {
    std::error_code ec;
    const fs::path outDir(options.outDir);
    if (fs::exists(outDir, ec) && !fs::is_directory(outDir, ec)) {
        return MakeHostError(PathText(options.outDir), msg::OutputNotDirectory);
    }
    if (!NearestExistingIsDirectory(outDir)) {
        return MakeHostError(PathText(options.outDir), msg::OutputUnderFile);
    }
    // Anything written inside the bundle would change what it holds, even as a new folder.
    if (SameFile(outDir, options.bundle))
        return MakeHostError(PathText(options.outDir), msg::OutputIsBundle);
    if (IsWithin(outDir, options.bundle)) {
        return MakeHostError(PathText(options.outDir), msg::OutputInBundle);
    }
    if (SameFile(outDir / kProgramFile, options.recipe)) {
        return MakeHostError(PathText(outDir / kProgramFile), msg::OutputIsRecipe);
    }
    if (WritesLogFile(options)) {
        const fs::path log(options.logJson);
        if (fs::is_directory(log, ec))
            return MakeHostError(PathText(options.logJson), msg::LogIsDirectory);
        if (!NearestExistingIsDirectory(log.has_parent_path() ? log.parent_path()
                                                              : fs::path("."))) {
            return MakeHostError(PathText(options.logJson), msg::LogUnderFile);
        }
        if (SameFile(log, options.recipe))
            return MakeHostError(PathText(options.logJson), msg::OutputIsRecipe);
        if (IsWithin(log, options.bundle))
            return MakeHostError(PathText(options.logJson), msg::LogInBundle);
        if (const std::optional<fs::path> below = LogBelowOutDir(options)) {
            const fs::path link = FirstLinkBelow(Resolved(options.outDir), *below);
            if (!link.empty()) {
                return MakeHostError(PathText(outDir / link), kv::diag::host::OutputThroughLink);
            }
            if (*below == kProgramFile)
                return MakeHostError(PathText(options.logJson), msg::LogIsOutput);
        }
    }
    return std::nullopt;
}

// The checks that need the outputs: the log must not take the place of one, and replacing
// the set must not take the recipe or the bundle with it.
std::optional<HostError> CheckAgainstOutputs(const CompilePaths& options,
                                             const std::vector<OutputFile>& outputs,
                                             bool replacing) {
    if (const std::optional<fs::path> below = LogBelowOutDir(options)) {
        for (const OutputFile& output : outputs) {
            const fs::path log = below->lexically_normal();
            const fs::path file = output.path.lexically_normal();
            if (log == file || RelativeBelow(log, file) || RelativeBelow(file, log)) {
                return MakeHostError(PathText(options.logJson), msg::LogIsOutput);
            }
        }
    }
    if (!replacing) return std::nullopt;
    for (const OutputFile& output : outputs) {
        const fs::path replaced = fs::path(options.outDir) / *output.path.begin();
        if (IsWithin(options.recipe, replaced)) {
            return MakeHostError(PathText(replaced), msg::OutputHoldsRecipe);
        }
        if (IsWithin(options.bundle, replaced)) {
            return MakeHostError(PathText(replaced), msg::OutputHoldsBundle);
        }
    }
    return std::nullopt;
}

// Removes what killed runs left beside the output directory and the log.
void RemoveLeftovers(const CompilePaths& options) {
    RemoveLeftoversOf(Resolved(options.outDir));
    if (WritesLogFile(options)) RemoveLeftoversOf(Resolved(options.logJson));
}

// True when a regular file may stand at path: nothing there yet, or a regular file.
bool PlainFilePlace(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !fs::exists(status) || fs::is_regular_file(status);
}

}  // namespace kv::host
