// FileRead: reads a whole file or lists a folder, turning every failure into a HostError.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/HostError.h"

namespace kv::host {

// The file's bytes, unchanged. Fails when path is missing (a dangling link is named as one),
// not a regular file (which is never opened: a FIFO would block the read) or unreadable.
HostResult<std::string> ReadWholeFile(const std::filesystem::path& path);

// Fails unless path names an existing directory.
HostResult<bool> RequireDirectory(const std::filesystem::path& path);

// One directory entry with its file name.
struct NamedEntry {
    std::string name;
    std::filesystem::directory_entry entry;
};

// The entries of a directory, sorted by name in ascending byte order.
HostResult<std::vector<NamedEntry>> ListDirectory(const std::filesystem::path& path);

}  // namespace kv::host
