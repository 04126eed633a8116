// OutputSet: builds the new set beside the output folder, keeps the user's entries, swaps.
#include "host/OutputSet.h"

#include <set>
#include <string>
#include <system_error>

#include "host/HostText.h"
#include "host/PlatformFiles.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace fs = std::filesystem;

namespace {

// Where the entries of the old folder go and which files are not kept.
struct Keeping {
    const fs::path& outDir;  // as the user gave it, for messages
    const std::set<fs::path>& replacedFiles;
};

std::optional<HostError> Keep(const Keeping& keeping, const fs::path& from, const fs::path& to,
                              const fs::path& relative);

// Recreates the folder from at to with everything in it; its permissions come last, so that
// a folder without write permission can still be filled.
std::optional<HostError> KeepFolder(const Keeping& keeping, const fs::path& from,
                                    const fs::path& to, const fs::path& relative,
                                    fs::perms permissions) {
    std::error_code ec;
    if (!fs::create_directory(to, ec) && !ec) ec = std::make_error_code(std::errc::file_exists);
    if (!ec) {
        for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path name = it->path().filename();
            if (auto error = Keep(keeping, it->path(), to / name, relative / name)) return error;
        }
    }
    if (!ec) fs::permissions(to, permissions, ec);
    if (ec)
        return MakeHostError(PathText(keeping.outDir / relative), msg::CannotKeep, ec.message());
    return std::nullopt;
}

// Recreates the entry from at to without copying data: a file becomes a second link to the
// same contents, so that no kill can lose it. relative is its path below the output folder.
std::optional<HostError> Keep(const Keeping& keeping, const fs::path& from, const fs::path& to,
                              const fs::path& relative) {
    const std::string shown = PathText(keeping.outDir / relative);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(from, ec);
    if (ec) return MakeHostError(shown, msg::PathUnreachable, ec.message());
    switch (status.type()) {
        case fs::file_type::directory:
            return KeepFolder(keeping, from, to, relative, status.permissions());
        case fs::file_type::regular:
            if (keeping.replacedFiles.count(relative) != 0) return std::nullopt;
            fs::create_hard_link(from, to, ec);
            break;
        case fs::file_type::symlink:
            fs::copy_symlink(from, to, ec);
            break;
        case fs::file_type::fifo:
            ec = MakeFifo(to);
            break;
        default:
            return MakeHostError(shown, msg::CannotKeepKind);
    }
    if (ec) return MakeHostError(shown, msg::CannotKeep, ec.message());
    return std::nullopt;
}

// Writes file below the fresh folder, creating its folders there.
std::optional<HostError> WriteInto(const fs::path& fresh, const fs::path& outDir,
                                   const OutputFile& file) {
    const fs::path target = fresh / file.path;
    std::vector<fs::path> created;  // inside fresh, which goes whole on a failure
    if (auto error = CreateDirectories(target.parent_path(), created)) {
        return MakeHostError(PathText(outDir / file.path), msg::WriteFailed, error->reason);
    }
    std::error_code ec;
    std::error_code failure = fs::is_directory(fs::symlink_status(target, ec))
                                  ? std::make_error_code(std::errc::is_a_directory)
                                  : WriteBytes(target, file);
    if (failure) {
        return MakeHostError(PathText(outDir / file.path), msg::WriteFailed, failure.message());
    }
    return std::nullopt;
}

// Puts fresh at dir (an existing folder) in one step and returns where the old folder went.
HostResult<fs::path> SwapIn(const fs::path& fresh, const fs::path& dir, const fs::path& outDir) {
    std::error_code ec = ExchangeDirectories(fresh, dir);
    if (!ec) return fresh;
    if (ec != std::errc::operation_not_supported) {
        return MakeHostError(PathText(outDir), msg::CannotReplace, ec.message());
    }
    // Two renames: in between, a reader finds no folder at all, but never a mixed one.
    const fs::path aside = FreshTemporaryFor(dir);
    fs::rename(dir, aside, ec);
    if (ec) return MakeHostError(PathText(outDir), msg::CannotReplace, ec.message());
    fs::rename(fresh, dir, ec);
    if (ec) {
        std::error_code ignored;
        fs::rename(aside, dir, ignored);
        return MakeHostError(PathText(outDir), msg::CannotReplace, ec.message());
    }
    return aside;
}

}  // namespace

fs::path FirstLinkBelow(const fs::path& dir, const fs::path& relative) {
    fs::path walk = dir;
    fs::path part;
    for (const fs::path& name : relative) {
        walk /= name;
        part /= name;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(walk, ec);
        if (fs::is_symlink(status)) return part;
        if (!fs::exists(status)) break;
    }
    return {};
}

std::optional<HostError> ReplaceOutputSet(const fs::path& outDir,
                                          const std::vector<OutputFile>& outputs,
                                          const std::vector<OutputFile>& ownPathOnly) {
    std::error_code ec;
    const fs::path dir = fs::weakly_canonical(fs::absolute(outDir, ec), ec);
    if (ec) return MakeHostError(PathText(outDir), msg::PathUnreachable, ec.message());

    std::set<fs::path> replacedTop;
    std::set<fs::path> replacedFiles;
    for (const std::vector<OutputFile>* list : {&outputs, &ownPathOnly}) {
        for (const OutputFile& file : *list) {
            const fs::path link = FirstLinkBelow(dir, file.path);
            if (!link.empty()) {
                return MakeHostError(PathText(outDir / link), msg::OutputThroughLink);
            }
        }
    }
    for (const OutputFile& file : outputs) replacedTop.insert(*file.path.begin());
    for (const OutputFile& file : ownPathOnly) replacedFiles.insert(file.path.lexically_normal());

    const bool existed = fs::is_directory(fs::symlink_status(dir, ec));
    std::vector<fs::path> createdParents;
    if (auto error = CreateDirectories(dir.parent_path(), createdParents)) {
        RemoveCreatedDirectories(createdParents);
        return error;
    }
    const fs::path fresh = FreshTemporaryFor(dir);
    if (!fs::create_directory(fresh, ec)) {
        RemoveCreatedDirectories(createdParents);
        return MakeHostError(PathText(fresh), msg::CannotCreateDirectory,
                             ec ? ec.message() : std::string());
    }
    const auto fail = [&](HostError error) {
        std::error_code ignored;
        fs::remove_all(fresh, ignored);
        RemoveCreatedDirectories(createdParents);
        return error;
    };

    if (existed) {
        const Keeping keeping{outDir, replacedFiles};
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path name = it->path().filename();
            if (replacedTop.count(name) != 0) continue;
            if (auto error = Keep(keeping, it->path(), fresh / name, name)) return fail(*error);
        }
        if (ec) return fail(MakeHostError(PathText(outDir), msg::CannotList, ec.message()));
        fs::permissions(fresh, fs::status(dir, ec).permissions(), ec);
    }
    for (const std::vector<OutputFile>* list : {&outputs, &ownPathOnly}) {
        for (const OutputFile& file : *list) {
            if (auto error = WriteInto(fresh, outDir, file)) return fail(*error);
        }
    }

    if (!existed) {
        fs::rename(fresh, dir, ec);
        if (ec) return fail(MakeHostError(PathText(outDir), msg::CannotReplace, ec.message()));
        return std::nullopt;
    }
    HostResult<fs::path> old = SwapIn(fresh, dir, outDir);
    if (!old.Ok()) return fail(old.Error());
    fs::remove_all(old.Value(), ec);
    if (ec) return MakeHostError(PathText(old.Value()), msg::CannotRemoveOld, ec.message());
    return std::nullopt;
}

}  // namespace kv::host
