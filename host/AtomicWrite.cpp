// AtomicWrite: temporary files in the target directory, then renames.
#include "host/AtomicWrite.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <random>
#include <system_error>

namespace kvhost {
namespace fs = std::filesystem;

namespace {

// A suffix no other run picks at the same time: a random number per process and a counter.
std::string TemporarySuffix() {
    static const unsigned long long processPart = [] {
        try {
            std::random_device device;
            return (static_cast<unsigned long long>(device()) << 32) ^ device();
        } catch (...) {
            return static_cast<unsigned long long>(
                std::chrono::steady_clock::now().time_since_epoch().count());
        }
    }();
    static std::atomic<unsigned> counter{0};
    return ".tmp-" + std::to_string(processPart) + "-" + std::to_string(counter++);
}

// Undoes what a failed batch made: its temporary files, then the directories it created
// (deepest first; a directory that is not empty stays).
void CleanUp(const std::vector<fs::path>& temporaries, const std::vector<fs::path>& createdDirs) {
    std::error_code ec;
    for (const fs::path& temporary : temporaries) fs::remove(temporary, ec);
    for (auto it = createdDirs.rbegin(); it != createdDirs.rend(); ++it) fs::remove(*it, ec);
}

// Creates dir and its missing parents, noting each one it made, outermost first.
std::optional<HostError> CreateDirectories(const fs::path& dir, std::vector<fs::path>& created) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path walk = dir; !walk.empty() && !fs::exists(fs::symlink_status(walk, ec));
         walk = walk.parent_path()) {
        missing.push_back(walk);
        if (walk == walk.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        const bool made = fs::create_directory(*it, ec);
        if (ec) return MakeHostError(it->string(), HostMsg::CannotCreateDirectory, ec.message());
        if (made) created.push_back(*it);
    }
    if (!fs::is_directory(dir, ec)) {
        return MakeHostError(dir.string(), HostMsg::CannotCreateDirectory,
                             std::string(HostText(HostMsg::NotDirectory)));
    }
    return std::nullopt;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

// Replaces target with temporary. POSIX rename replaces atomically; Windows may refuse to
// replace an existing file, and then the old one is removed first.
bool Replace(const fs::path& temporary, const fs::path& target, std::error_code& ec) {
    fs::rename(temporary, target, ec);
#ifdef _WIN32
    std::error_code ignored;
    if (ec && fs::is_regular_file(target, ignored) && fs::remove(target, ignored)) {
        fs::rename(temporary, target, ec);
    }
#endif
    return !ec;
}

}  // namespace

std::optional<HostError> WriteFilesAtomically(const std::vector<OutputFile>& files) {
    std::vector<fs::path> temporaries;
    std::vector<fs::path> createdDirs;
    for (const OutputFile& file : files) {
        const fs::path dir = file.path.has_parent_path() ? file.path.parent_path() : fs::path(".");
        if (auto error = CreateDirectories(dir, createdDirs)) {
            CleanUp(temporaries, createdDirs);
            return error;
        }
        std::error_code ec;
        if (fs::is_directory(file.path, ec)) {
            CleanUp(temporaries, createdDirs);
            return MakeHostError(file.path.string(), HostMsg::CannotWrite);
        }
        fs::path temporary = dir / ("." + file.path.filename().string() + TemporarySuffix());
        temporaries.push_back(temporary);
        if (!WriteBytes(temporary, file.bytes)) {
            CleanUp(temporaries, createdDirs);
            return MakeHostError(file.path.string(), HostMsg::CannotWrite);
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::error_code ec;
        if (!Replace(temporaries[i], files[i].path, ec)) {
            // Files already renamed are complete; only the rest is withdrawn.
            CleanUp(std::vector<fs::path>(temporaries.begin() + static_cast<std::ptrdiff_t>(i),
                                          temporaries.end()),
                    {});
            return MakeHostError(files[i].path.string(), HostMsg::CannotReplace, ec.message());
        }
    }
    return std::nullopt;
}

}  // namespace kvhost
