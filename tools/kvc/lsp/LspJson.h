// LspJson: what the server's messages are written and read with: a RapidJSON writer that
// keeps its texts well-formed UTF-8, positions and ranges, file URIs, and reading parameters.
#pragma once

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/kvc/lsp/TextPositions.h"

namespace kv::lsp {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// text with every byte that is not part of a well-formed UTF-8 character replaced by U+FFFD:
// a recipe may hold such bytes, a JSON text may not.
std::string ValidUtf8(std::string_view text);

// Writes a text (made valid UTF-8 first), a position, a range.
void WriteText(JsonWriter& json, std::string_view text);
void WritePosition(JsonWriter& json, Position position);
void WriteRange(JsonWriter& json, Range range);

// "file:///..." for an absolute path, every byte but the unreserved ones and "/" escaped.
std::string FileUri(const std::filesystem::path& path);
// The path of a file URI; nothing for another scheme.
std::optional<std::filesystem::path> PathOfUri(std::string_view uri);

// Members of a parsed message, by a path of keys ("textDocument", "uri"); nothing when a key
// is missing or the value has another type.
const rapidjson::Value* Member(const rapidjson::Value& value,
                               std::initializer_list<const char*> path);
std::optional<std::string> TextAt(const rapidjson::Value& value,
                                  std::initializer_list<const char*> path);
std::optional<int> IntAt(const rapidjson::Value& value, std::initializer_list<const char*> path);
bool TrueAt(const rapidjson::Value& value, std::initializer_list<const char*> path);

}  // namespace kv::lsp
