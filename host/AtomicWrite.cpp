// AtomicWrite: a temporary beside the target, then a rename; leftovers found by their name.
#include "host/AtomicWrite.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <new>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

#include "host/HostText.h"
#include "host/PlatformFiles.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTemporaryMark = ".kvc-";
constexpr std::size_t kRandomLength = 6;
constexpr const char kRandomLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomPart() {
    static std::mt19937_64 engine = [] {
        try {
            std::random_device device;
            return std::mt19937_64((static_cast<unsigned long long>(device()) << 32) ^ device());
        } catch (...) {
            return std::mt19937_64(static_cast<unsigned long long>(
                std::chrono::steady_clock::now().time_since_epoch().count()));
        }
    }();
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kRandomLetters) - 2);
    std::string part;
    for (std::size_t i = 0; i < kRandomLength; ++i) part += kRandomLetters[pick(engine)];
    return part;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The process id in a temporary's name for target ("<id>-<random>" after the prefix); none
// when name is not one.
std::optional<unsigned long> TemporaryOwner(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const std::string rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 10 ||
        rest.size() != dash + 1 + kRandomLength) {
        return std::nullopt;
    }
    unsigned long id = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (!IsDigit(rest[i])) return std::nullopt;
        id = id * 10 + static_cast<unsigned long>(rest[i] - '0');
    }
    for (std::size_t i = dash + 1; i < rest.size(); ++i) {
        if (std::string_view(kRandomLetters).find(rest[i]) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    return id;
}

std::string TemporaryPrefix(const fs::path& target) {
    return "." + PathText(target.filename()) + kTemporaryMark;
}

std::error_code LastError() { return {errno, std::generic_category()}; }

// Replaces target with temporary. POSIX rename replaces atomically; Windows may refuse to
// replace an existing file, and then the old one is removed first.
std::error_code Replace(const fs::path& temporary, const fs::path& target) {
    std::error_code ec;
    fs::rename(temporary, target, ec);
#ifdef _WIN32
    std::error_code ignored;
    if (ec && fs::is_regular_file(target, ignored) && fs::remove(target, ignored)) {
        fs::rename(temporary, target, ec);
    }
#endif
    return ec;
}

}  // namespace

fs::path FreshTemporaryFor(const fs::path& target) {
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = TemporaryPrefix(target) + std::to_string(CurrentProcessId()) + "-";
    for (;;) {
        fs::path candidate = dir / PathFromText(prefix + RandomPart());
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
    }
}

void RemoveLeftoversOf(const fs::path& target) {
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = TemporaryPrefix(target);
    std::error_code ec;
    std::vector<fs::path> ended;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<unsigned long> owner =
            TemporaryOwner(PathText(it->path().filename()), prefix);
        if (owner && *owner != CurrentProcessId() && ProcessHasEnded(*owner)) {
            ended.push_back(it->path());
        }
    }
    for (const fs::path& leftover : ended) fs::remove_all(leftover, ec);
}

std::error_code WriteBytes(const fs::path& path, const OutputFile& output) {
#ifdef _WIN32
    // The wide name reaches every file name; a narrow one only those of the ANSI code page.
    std::FILE* file = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
#endif
    if (file == nullptr) return LastError();
    std::error_code error;
    // After the first failure the rest of the pieces are not written.
    const PutBytes put = [&](std::string_view bytes) {
        if (!error && !bytes.empty() &&
            std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            error = LastError();
        }
    };
    try {
        if (output.produce) {
            output.produce(put);
        } else {
            put(output.bytes);
        }
    } catch (const std::bad_alloc&) {
        // A producer out of memory fails this file like a full disk would.
        if (!error) error = std::make_error_code(std::errc::not_enough_memory);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    // Buffered bytes reach the file only here, so a full disk or the size limit shows here.
    if (std::fflush(file) != 0 && !error) error = LastError();
    if (std::fclose(file) != 0 && !error) error = LastError();
    return error;
}

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
        if (ec) return MakeHostError(it->string(), msg::CannotCreateDirectory, ec.message());
        if (made) created.push_back(*it);
    }
    if (!fs::is_directory(dir, ec)) {
        return MakeHostError(PathText(dir), msg::CannotCreateDirectory, msg::NotDirectory.format);
    }
    return std::nullopt;
}

void RemoveCreatedDirectories(const std::vector<fs::path>& created) {
    std::error_code ec;
    for (auto it = created.rbegin(); it != created.rend(); ++it) fs::remove(*it, ec);
}

std::optional<HostError> WriteFileAtomically(const OutputFile& file) {
    const std::string shown = PathText(file.path);
    std::error_code ec;
    fs::path target = file.path;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return MakeHostError(shown, msg::PathUnreachable, ec.message());
    }
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) {
        return MakeHostError(shown, msg::WriteFailed,
                             std::make_error_code(std::errc::is_a_directory).message());
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        if (const std::error_code error = WriteBytes(target, file)) {
            return MakeHostError(shown, msg::WriteFailed, error.message());
        }
        return std::nullopt;
    }

    std::vector<fs::path> created;
    if (auto error = CreateDirectories(
            target.has_parent_path() ? target.parent_path() : fs::path("."), created)) {
        RemoveCreatedDirectories(created);
        return error;
    }
    const fs::path temporary = FreshTemporaryFor(target);
    std::error_code failure = WriteBytes(temporary, file);
    const bool written = !failure;
    if (written) failure = Replace(temporary, target);
    if (failure) {
        fs::remove(temporary, ec);
        RemoveCreatedDirectories(created);
        return MakeHostError(shown, written ? msg::CannotReplace : msg::WriteFailed,
                             failure.message());
    }
    return std::nullopt;
}

}  // namespace kv::host
