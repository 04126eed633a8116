// AsciiCase: comparing a text with a fixed ASCII word regardless of letter case.
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace kv::text {

// True when text equals lower (an ASCII lower-case word) in any letter case.
inline bool EqualsInAnyCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i]) return false;
    }
    return true;
}

}  // namespace kv::text
