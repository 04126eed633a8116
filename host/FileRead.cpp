// FileRead: whole-file reads and sorted folder listings over std::filesystem.
#include "host/FileRead.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "host/HostText.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace fs = std::filesystem;

namespace {

// The status of path, or the error that says why it is not what the caller needs.
HostResult<fs::file_status> StatusOf(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        // A listed name that "does not exist" would puzzle; say that its link leads nowhere.
        std::error_code linkEc;
        if (fs::is_symlink(fs::symlink_status(path, linkEc))) {
            return MakeHostError(PathText(path), msg::DanglingLink);
        }
        return MakeHostError(PathText(path), msg::PathMissing);
    }
    if (ec) return MakeHostError(PathText(path), msg::PathUnreachable, ec.message());
    return status;
}

// Why path is no regular file, saying what it is instead when that is worth saying.
HostError NotRegularFile(const fs::path& path, const fs::file_status& status) {
    switch (status.type()) {
        case fs::file_type::fifo:
            return MakeHostError(PathText(path), msg::FifoNotRegularFile);
        case fs::file_type::socket:
            return MakeHostError(PathText(path), msg::SocketNotRegularFile);
        case fs::file_type::block:
        case fs::file_type::character:
            return MakeHostError(PathText(path), msg::DeviceNotRegularFile);
        default:
            return MakeHostError(PathText(path), msg::NotRegularFile);
    }
}

}  // namespace

HostResult<std::string> ReadWholeFile(const fs::path& path) {
    HostResult<fs::file_status> status = StatusOf(path);
    if (!status.Ok()) return status.Error();
    // Checked before opening: opening a FIFO for reading would wait for a writer.
    if (!fs::is_regular_file(status.Value())) {
        return NotRegularFile(path, status.Value());
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int reason = errno;
        if (reason == 0) return MakeHostError(PathText(path), msg::CannotOpen);
        return MakeHostError(PathText(path), msg::CannotOpenBecause,
                             std::generic_category().message(reason));
    }
    // Read in one go at the size the file has now; a file that grows meanwhile is read on.
    std::string bytes;
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(path, sizeError);
    if (!sizeError && size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        in.read(bytes.data(), static_cast<std::streamsize>(size));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
    }
    char chunk[16384];
    while (in && (in.read(chunk, sizeof chunk) || in.gcount() > 0)) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return MakeHostError(PathText(path), msg::ReadFailed);
    return bytes;
}

HostResult<bool> RequireDirectory(const fs::path& path) {
    HostResult<fs::file_status> status = StatusOf(path);
    if (!status.Ok()) return status.Error();
    if (!fs::is_directory(status.Value())) {
        return MakeHostError(PathText(path), msg::NotDirectory);
    }
    return true;
}

HostResult<std::vector<NamedEntry>> ListDirectory(const fs::path& path) {
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    std::vector<NamedEntry> entries;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        entries.push_back({PathText(it->path().filename()), *it});
    }
    if (ec) return MakeHostError(PathText(path), msg::CannotList, ec.message());
    // The directory's own order differs between file systems; names decide instead
    // (std::string compares bytes as unsigned, which is byte order).
    std::sort(entries.begin(), entries.end(),
              [](const NamedEntry& a, const NamedEntry& b) { return a.name < b.name; });
    return entries;
}

}  // namespace kv::host
