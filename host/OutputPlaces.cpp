// OutputPlaces: path comparisons with links resolved as far as the paths exist.
#include "host/OutputPlaces.h"

#include <algorithm>
#include <system_error>
#include <vector>

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

bool NamesFile(const fs::path& path) { return !path.empty() && path != kStandardOutput; }

std::optional<fs::path> BelowOutDir(const CompilePaths& options, const fs::path& file) {
    if (!NamesFile(file) || options.outDir.empty()) return std::nullopt;
    if (auto given = RelativeBelow(Normal(file), Normal(options.outDir))) return given;
    return RelativeBelow(Resolved(file), Resolved(options.outDir));
}

namespace {

// The files written beside the outputs, each with the role its messages name.
struct SideFile {
    const fs::path& path;
    const kv::diag::Message<0>& role;
};

std::vector<SideFile> SideFiles(const CompilePaths& options) {
    std::vector<SideFile> files;
    if (NamesFile(options.logJson)) files.push_back({options.logJson, msg::JsonLogRole});
    if (NamesFile(options.diagnosticsFile)) {
        files.push_back({options.diagnosticsFile, msg::DiagnosticsFileRole});
    }
    return files;
}

std::optional<HostError> CheckOutDir(const CompilePaths& options) {
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
    return std::nullopt;
}

std::optional<HostError> CheckSideFile(const CompilePaths& options, const SideFile& file) {
    std::error_code ec;
    const std::string role = kv::diag::Text(file.role);
    const std::string path = PathText(file.path);
    if (fs::is_directory(file.path, ec)) return MakeHostError(path, msg::LogIsDirectory, role);
    if (!NearestExistingIsDirectory(file.path.has_parent_path() ? file.path.parent_path()
                                                                : fs::path("."))) {
        return MakeHostError(path, msg::LogUnderFile, role);
    }
    if (SameFile(file.path, options.recipe)) return MakeHostError(path, msg::OutputIsRecipe);
    if (IsWithin(file.path, options.bundle)) return MakeHostError(path, msg::LogInBundle, role);
    if (const std::optional<fs::path> below = BelowOutDir(options, file.path)) {
        const fs::path link = FirstLinkBelow(Resolved(options.outDir), *below);
        if (!link.empty()) {
            return MakeHostError(PathText(options.outDir / link), msg::OutputThroughLink);
        }
        if (*below == kProgramFile) return MakeHostError(path, msg::LogIsOutput, role);
    }
    return std::nullopt;
}

}  // namespace

// The checks that need no compile: where the outputs go must be usable, and no output may
// land on an input.
std::optional<HostError> CheckOutputPlaces(const CompilePaths& options) {
    if (!options.outDir.empty()) {
        if (auto error = CheckOutDir(options)) return error;
    }
    // Two texts in one place would leave neither readable.
    if (!options.logJson.empty() &&
        (options.logJson == options.diagnosticsFile ||
         (NamesFile(options.logJson) && NamesFile(options.diagnosticsFile) &&
          SameFile(options.logJson, options.diagnosticsFile)))) {
        return MakeHostError(PathText(options.diagnosticsFile), msg::LogIsDiagnosticsFile);
    }
    for (const SideFile& file : SideFiles(options)) {
        if (auto error = CheckSideFile(options, file)) return error;
    }
    return std::nullopt;
}

// The checks that need the outputs: the side files must not take the place of one, and
// replacing the set must not take the recipe or the bundle with it.
std::optional<HostError> CheckAgainstOutputs(const CompilePaths& options,
                                             const std::vector<OutputFile>& outputs,
                                             bool replacing) {
    for (const SideFile& side : SideFiles(options)) {
        const std::optional<fs::path> below = BelowOutDir(options, side.path);
        if (!below) continue;
        for (const OutputFile& output : outputs) {
            const fs::path log = below->lexically_normal();
            const fs::path file = output.path.lexically_normal();
            if (log == file || RelativeBelow(log, file) || RelativeBelow(file, log)) {
                return MakeHostError(PathText(side.path), msg::LogIsOutput,
                                     kv::diag::Text(side.role));
            }
        }
    }
    if (!replacing) return std::nullopt;
    // Outputs share their top entries (a database folder holds several tables), and each check
    // resolves every part of both paths on disk: an entry is checked once.
    std::vector<fs::path> checked;
    for (const OutputFile& output : outputs) {
        const fs::path replaced = fs::path(options.outDir) / *output.path.begin();
        if (std::find(checked.begin(), checked.end(), replaced) != checked.end()) continue;
        checked.push_back(replaced);
        if (IsWithin(options.recipe, replaced)) {
            return MakeHostError(PathText(replaced), msg::OutputHoldsRecipe);
        }
        if (IsWithin(options.bundle, replaced)) {
            return MakeHostError(PathText(replaced), msg::OutputHoldsBundle);
        }
    }
    return std::nullopt;
}

// Removes what killed runs left beside the output directory and the side files.
void RemoveLeftovers(const CompilePaths& options) {
    if (!options.outDir.empty()) RemoveLeftoversOf(Resolved(options.outDir));
    for (const SideFile& file : SideFiles(options)) RemoveLeftoversOf(Resolved(file.path));
}

// True when a regular file may stand at path: nothing there yet, or a regular file.
bool PlainFilePlace(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !fs::exists(status) || fs::is_regular_file(status);
}

}  // namespace kv::host
