// GbkCodec: converts between UTF-8 and GBK (code page 936), the text encoding of Windows hosts.
// Conversions are strict: a byte sequence that is not a character of the source encoding, or a
// character the target cannot hold, fails the conversion instead of becoming a '?'.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kv::gbk {

// The outcome of a conversion: the converted text, or the byte offset in the source of the
// first character that could not be converted.
struct Converted {
    std::string text;
    std::optional<std::size_t> failedAt;

    bool Ok() const { return !failedAt.has_value(); }
};

Converted ToUtf8(std::string_view gbk);
Converted FromUtf8(std::string_view utf8);

}  // namespace kv::gbk
