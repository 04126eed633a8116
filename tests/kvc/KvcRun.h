// KvcRun: runs the built kvc binary in a directory and captures its exit status and output.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kv::test {

struct KvcResult {
    int exitCode = -1;  // -1 when kvc did not exit normally (a crash)
    std::string out;
    std::string err;
};

inline std::string QuoteArgument(const std::string& argument) {
#ifdef _WIN32
    return "\"" + argument + "\"";
#else
    std::string quoted = "'";
    for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

// A message naming a path, as kvc shows it on this platform: the separators of the path before
// the first ": " are the platform's ("bundle\\host\\functions.json" on Windows).
inline std::string WithNativePath(std::string message) {
#ifdef _WIN32
    const std::size_t end = message.find(": ");
    for (std::size_t i = 0; i < end && i < message.size(); ++i) {
        if (message[i] == '/') message[i] = '\\';
    }
#endif
    return message;
}

inline std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of text, each without its line feed; a last line without one is left out.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Runs kvc with arguments in workDir; standard output and error land in files beside it.
inline KvcResult RunKvc(const std::filesystem::path& workDir,
                        const std::vector<std::string>& arguments) {
    const std::filesystem::path outFile =
        workDir.parent_path() / (workDir.filename().string() + ".out");
    const std::filesystem::path errFile =
        workDir.parent_path() / (workDir.filename().string() + ".err");
#ifdef _WIN32
    std::string command = "cd /d " + QuoteArgument(workDir.string());
#else
    std::string command = "cd " + QuoteArgument(workDir.string());
#endif
    command += " && " + QuoteArgument(KVC_PATH);
    for (const std::string& argument : arguments) command += " " + QuoteArgument(argument);
    command += " >" + QuoteArgument(outFile.string()) + " 2>" + QuoteArgument(errFile.string());
#ifdef _WIN32
    // cmd takes the whole line quoted once more; the wide form carries every character of the
    // UTF-8 arguments, where a narrow one would go through the ANSI code page.
    command = "\"" + command + "\"";
    const std::wstring wide =
        std::filesystem::path(std::u8string(command.begin(), command.end())).wstring();
    // -1 says the command processor could not be started, and 9009 that it could not start
    // kvc, which Wine under load now and then reports; neither is an outcome of kvc, which
    // never exits with 9009, so the run is tried again.
    const auto notRun = [](int status) { return status == -1 || status == 9009; };
    int status = _wsystem(wide.c_str());
    for (int retry = 0; notRun(status) && retry < 3; ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        status = _wsystem(wide.c_str());
    }
#else
    const int status = std::system(command.c_str());
#endif
    KvcResult result;
#ifdef _WIN32
    result.exitCode = status;
#else
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.out = ReadFileText(outFile);
    result.err = ReadFileText(errFile);
    std::error_code ec;
    std::filesystem::remove(outFile, ec);
    std::filesystem::remove(errFile, ec);
    return result;
}

}  // namespace kv::test
