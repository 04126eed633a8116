// HostText: the encodings on either side of the host. Every file and terminal kvc reads or
// writes is UTF-8; the texts it exchanges with the library are in the host's encoding, which
// is UTF-8 on Linux and GBK in the Windows build (where a real host holds every text in GBK).
// These convert at that edge; on Linux they change nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "arbor/TextEncoding.h"
#include "host/HostError.h"
#include "utilo/GbkCodec.h"

namespace kv::host {

inline constexpr bool kHostTextIsGbk = kPlatformRecipeEncoding == RecipeEncoding::Gbk;

// UTF-8 text in the host's encoding; fails at the first character the host's encoding lacks.
kv::gbk::Converted ToHostText(std::string_view utf8);
// A host text as UTF-8. A byte that is not part of a host character is kept as it is, for the
// terminal and JSON writers to escape.
std::string FromHostText(std::string_view text);
// The same for a text no longer needed, which on Linux is moved rather than copied.
std::string FromHostText(std::string&& text);

// A recipe file's bytes, written in fileEncoding, in the host's encoding. Fails, naming the file
// and the place ("recipe.rcp:3:7"), for bytes that are not fileEncoding and for a character
// the host's encoding lacks. A UTF-8 byte-order mark stays where the host's encoding is UTF-8.
HostResult<std::string> RecipeToHostText(std::string bytes, RecipeEncoding fileEncoding,
                                         const std::string& name);

// A JSON text with each string literal (keys and values alike) that holds a non-ASCII byte or
// a \u escape decoded, converted and written again the way RapidJSON writes strings; every
// other byte is kept. failedAt is the offset in json of the literal, or of the character in it,
// that did not convert.
using TextConversion = std::function<kv::gbk::Converted(std::string_view)>;
kv::gbk::Converted ConvertJsonStrings(std::string_view json, const TextConversion& convert);

// A bundle file's JSON as the library reads it, and JSON the library wrote as UTF-8. Inside a
// string the library's writer escapes a GBK trail byte 0x5C as it escapes a backslash, so a
// JSON text is converted string by string, never as a whole.
kv::gbk::Converted JsonToHostText(std::string_view json);
std::string JsonFromHostText(std::string_view json);

// Paths from and to the UTF-8 texts users type and read. A narrow path on Windows goes through
// the ANSI code page, which holds few names; these go through UTF-8 on every platform.
std::filesystem::path PathFromText(std::string_view utf8);
std::string PathText(const std::filesystem::path& path);

}  // namespace kv::host
