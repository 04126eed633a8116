// OutputSet: replaces every output in a directory as one set, keeping what is not kvc's.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "host/AtomicWrite.h"
#include "host/HostError.h"

namespace kv::host {

// Replaces the outputs in outDir as one set. The paths of outputs are relative to outDir;
// each top-level name they use (a file such as program.rcp, a folder such as
// appParameterDataVm) is replaced whole. Each of ownPathOnly (relative too) replaces only its
// own file, which lets a log live in a folder of the user's. Every other entry of outDir is
// kept as it is: files hard-linked, folders, symbolic links and named pipes recreated.
//
// The new set is built in a fresh temporary folder beside outDir and swapped in as one step,
// so that a reader sees the old set or the new one; the old one is removed afterwards.
// When outDir is a link to a folder, that folder is replaced and the link stays. A symbolic
// link on the way to any of the files inside outDir is refused. On a failure before the
// swap, outDir is as it was and nothing is left beside it.
std::optional<HostError> ReplaceOutputSet(const std::filesystem::path& outDir,
                                          const std::vector<OutputFile>& outputs,
                                          const std::vector<OutputFile>& ownPathOnly = {});

// The first part of relative, the leading part of it that leads from dir to an existing
// symbolic link (dir itself is not looked at); empty when there is none.
std::filesystem::path FirstLinkBelow(const std::filesystem::path& dir,
                                     const std::filesystem::path& relative);

}  // namespace kv::host
