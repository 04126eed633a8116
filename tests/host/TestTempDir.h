// TestTempDir: a fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kv::test {

class TestTempDir {
public:
    TestTempDir() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("kv-host-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TestTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TestTempDir(const TestTempDir&) = delete;
    TestTempDir& operator=(const TestTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes bytes to the file at relative path (UTF-8), creating its directories. The path
    // returned uses the platform's separator, as paths the code joins do.
    std::filesystem::path Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file =
            (path_ / std::u8string(relative.begin(), relative.end())).make_preferred();
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    // The bytes of the file at relative path (empty when it cannot be read).
    std::string Read(const std::string& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Every regular file below the directory, as relative generic paths, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
            if (entry.is_regular_file()) {
                files.push_back(std::filesystem::relative(entry.path(), path_).generic_string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

private:
    std::filesystem::path path_;
};

}  // namespace kv::test
