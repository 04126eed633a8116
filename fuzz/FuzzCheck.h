// FuzzCheck: the property check of the fuzz targets. It stays on in every build type (unlike
// assert), so a replay under CTest fails exactly where a fuzzer run would crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kv::fuzz {

// Prints what broke and aborts, which libFuzzer records as a crash with the input.
[[noreturn]] inline void FailCheck(const char* file, int line, const char* condition,
                                   const std::string& detail) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
    if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Shows text with every byte outside printable ASCII escaped, for failure messages.
inline std::string Printable(const std::string& text, size_t limit = 400) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}

}  // namespace kv::fuzz

#define KV_FUZZ_CHECK(condition, detail)                                               \
    do {                                                                               \
        if (!(condition)) kv::fuzz::FailCheck(__FILE__, __LINE__, #condition, detail); \
    } while (false)
