// NamePieces: the last piece of a dotted name (a device path, a step key), read in place.
#pragma once

#include <string_view>

namespace kv::name {

// The text after the last separator: what CommonMethod's Split(text, separator, -1) gives as
// its last piece, without building the pieces. Split finds separators left to right, each
// search starting past the previous hit, so overlapping separators ("aaa" split at "aa") are
// found the same way here; an empty separator splits nothing.
inline std::string_view LastPiece(std::string_view text, std::string_view separator) {
    if (separator.empty()) return text;
    size_t start = 0;
    for (size_t hit; (hit = text.find(separator, start)) != std::string_view::npos;) {
        start = hit + separator.size();
    }
    return text.substr(start);
}

}  // namespace kv::name
