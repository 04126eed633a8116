// FileRead: whole-file reads and sorted folder listings over std::filesystem.
#include "host/FileRead.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace kvhost {
namespace fs = std::filesystem;

namespace {

// The status of path, or the error that says why it is not what the caller needs.
HostResult<fs::file_status> StatusOf(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return MakeHostError(path.string(), HostMsg::PathMissing);
    }
    if (ec) return MakeHostError(path.string(), HostMsg::PathUnreachable, ec.message());
    return status;
}

}  // namespace

HostResult<std::string> ReadWholeFile(const fs::path& path) {
    HostResult<fs::file_status> status = StatusOf(path);
    if (!status.Ok()) return status.Error();
    if (!fs::is_regular_file(status.Value())) {
        return MakeHostError(path.string(), HostMsg::NotRegularFile);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return MakeHostError(path.string(), HostMsg::CannotOpen);
    std::string bytes;
    char chunk[16384];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return MakeHostError(path.string(), HostMsg::ReadFailed);
    return bytes;
}

HostResult<bool> RequireDirectory(const fs::path& path) {
    HostResult<fs::file_status> status = StatusOf(path);
    if (!status.Ok()) return status.Error();
    if (!fs::is_directory(status.Value())) {
        return MakeHostError(path.string(), HostMsg::NotDirectory);
    }
    return true;
}

HostResult<std::vector<NamedEntry>> ListDirectory(const fs::path& path) {
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    std::vector<NamedEntry> entries;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        entries.push_back({it->path().filename().string(), *it});
    }
    if (ec) return MakeHostError(path.string(), HostMsg::CannotList, ec.message());
    // The directory's own order differs between file systems; names decide instead
    // (std::string compares bytes as unsigned, which is byte order).
    std::sort(entries.begin(), entries.end(),
              [](const NamedEntry& a, const NamedEntry& b) { return a.name < b.name; });
    return entries;
}

}  // namespace kvhost
