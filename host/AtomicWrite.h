// AtomicWrite: writes one file so that an interrupted run never leaves half of it, with
// temporaries named so that a later run can find and remove what a killed one left.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "host/HostError.h"

namespace kv::host {

// Takes the next piece of an output's bytes.
using PutBytes = std::function<void(std::string_view)>;

// One file to write: where it goes and its exact bytes. An output too large to hold a second
// time in memory gives produce instead, which hands its bytes over piece by piece as the file
// is written; it may be called more than once and must give the same bytes each time.
struct OutputFile {
    std::filesystem::path path;
    std::string bytes;
    std::function<void(const PutBytes&)> produce = nullptr;
};

// A name beside target that nothing has yet, marked as a temporary of this process:
// ".<target name>.kvc-<process id>-<six random letters or digits>".
std::filesystem::path FreshTemporaryFor(const std::filesystem::path& target);

// Removes the temporaries beside target, named as FreshTemporaryFor names them, whose
// process has ended: what killed runs left. Nothing else is touched; failures are ignored,
// since the next run tries again.
void RemoveLeftoversOf(const std::filesystem::path& target);

// Creates or truncates path and writes file's bytes to it; the error is the system's reason.
std::error_code WriteBytes(const std::filesystem::path& path, const OutputFile& file);

// Writes file.bytes to file.path as a whole: into a temporary beside it that is renamed
// into place, creating missing directories (removed again on a failure). A path that leads
// to a named pipe or a device is written in place, since a rename would put a regular file
// where it was; a symbolic link is followed and what it leads to is replaced.
std::optional<HostError> WriteFileAtomically(const OutputFile& file);

// Creates dir and its missing parents, appending each one made to created, outermost first.
std::optional<HostError> CreateDirectories(const std::filesystem::path& dir,
                                           std::vector<std::filesystem::path>& created);

// Removes the directories of created, deepest first; one that is not empty stays.
void RemoveCreatedDirectories(const std::vector<std::filesystem::path>& created);

}  // namespace kv::host
