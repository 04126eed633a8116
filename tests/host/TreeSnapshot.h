// TreeSnapshot: everything below a folder as comparable text, to tell "unchanged" exactly.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace kv::test {

// Each entry below dir by its relative generic path: "file:<bytes>", "dir", "link:<target>"
// or "other" (a named pipe, a device). Links are not followed.
inline std::map<std::string, std::string> TreeSnapshot(const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().lexically_relative(dir).generic_string();
        const fs::file_status status = it->symlink_status();
        if (fs::is_symlink(status)) {
            entries[name] = "link:" + fs::read_symlink(it->path()).generic_string();
        } else if (fs::is_directory(status)) {
            entries[name] = "dir";
        } else if (fs::is_regular_file(status)) {
            std::ifstream in(it->path(), std::ios::binary);
            entries[name] = "file:" + std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            entries[name] = "other";
        }
    }
    return entries;
}

// The names in dir that mark a kvc temporary (".<name>.kvc-..."), so none may stay behind.
inline std::vector<std::string> KvcTemporariesIn(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(".kvc-") != std::string::npos) found.push_back(name);
    }
    return found;
}

}  // namespace kv::test
