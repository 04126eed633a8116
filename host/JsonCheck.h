// JsonCheck: tells whether the text of a bundle file is one JSON document the library can read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "host/HostError.h"

namespace kv::host {

// Fails, naming path and the byte offset in the file, unless text is one JSON document of
// well-formed UTF-8 text (on every platform, as JSON requires), without NUL
// bytes or \u escapes of lone surrogates, nested no deeper than the library parses. text is
// what follows a byte-order mark of markSize bytes in the file (0 when there was none).
std::optional<HostError> CheckJsonText(std::string_view text, const std::string& path,
                                       std::size_t markSize);

}  // namespace kv::host
