// HostText: conversions between UTF-8 and the host's encoding, for texts, JSON and paths.
#include "host/HostText.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <utility>

namespace kv::host {
namespace {

// The offset just past the string literal that opens at start (its closing quote included).
std::size_t LiteralEnd(std::string_view json, std::size_t start) {
    std::size_t pos = start + 1;
    while (pos < json.size() && json[pos] != '"') pos += json[pos] == '\\' ? 2 : 1;
    return pos < json.size() ? pos + 1 : json.size();
}

bool NeedsConversion(std::string_view literal) {
    for (const char c : literal) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return literal.find("\\u") != std::string_view::npos;
}

// "name:line:column" of the byte at offset of text, columns counted in bytes from 1.
std::string PlaceIn(const std::string& name, std::string_view text, std::size_t offset) {
    const std::size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t column =
        offset - (lineStart == std::string_view::npos || offset == 0 ? 0 : lineStart + 1) + 1;
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
    return name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

}  // namespace

HostResult<std::string> RecipeToHostText(std::string bytes, RecipeEncoding fileEncoding,
                                         const std::string& name) {
    namespace msg = kv::diag::host;
    if (fileEncoding == kPlatformRecipeEncoding) return bytes;  // the parser checks it
    if (const std::size_t bad = FirstMalformedByte(bytes, fileEncoding);
        bad != std::string_view::npos) {
        return MakeHostError(PlaceIn(name, bytes, bad), fileEncoding == RecipeEncoding::Gbk
                                                            ? msg::RecipeNotGbk
                                                            : msg::RecipeNotUtf8);
    }
    std::string_view text = bytes;
    // The GBK parser knows no byte-order mark; line 1's columns count after it, as on Linux.
    if (fileEncoding == RecipeEncoding::Utf8 && text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    kv::gbk::Converted converted =
        fileEncoding == RecipeEncoding::Gbk ? kv::gbk::ToUtf8(text) : kv::gbk::FromUtf8(text);
    if (!converted.Ok()) {
        return MakeHostError(
            PlaceIn(name, text, *converted.failedAt),
            fileEncoding == RecipeEncoding::Gbk ? msg::RecipeNotGbk : msg::RecipeCharNotGbk);
    }
    return std::move(converted.text);
}

kv::gbk::Converted ConvertJsonStrings(std::string_view json, const TextConversion& convert) {
    kv::gbk::Converted result;
    result.text.reserve(json.size());
    for (std::size_t pos = 0; pos < json.size();) {
        if (json[pos] != '"') {
            const std::size_t next = json.find('"', pos);
            const std::size_t end = next == std::string_view::npos ? json.size() : next;
            result.text.append(json.substr(pos, end - pos));
            pos = end;
            continue;
        }
        const std::size_t end = LiteralEnd(json, pos);
        const std::string_view literal = json.substr(pos, end - pos);
        rapidjson::Document decoded;
        if (!NeedsConversion(literal) ||
            decoded.Parse(literal.data(), literal.size()).HasParseError() || !decoded.IsString()) {
            result.text.append(literal);
            pos = end;
            continue;
        }
        const std::string_view text(decoded.GetString(), decoded.GetStringLength());
        kv::gbk::Converted converted = convert(text);
        if (!converted.Ok()) {
            // Inside a literal without escapes the offset maps onto the file exactly.
            const bool verbatim = literal.size() == text.size() + 2;
            result.failedAt = verbatim ? pos + 1 + *converted.failedAt : pos;
            return result;
        }
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        writer.String(converted.text.data(),
                      static_cast<rapidjson::SizeType>(converted.text.size()));
        result.text.append(buffer.GetString(), buffer.GetSize());
        pos = end;
    }
    return result;
}

#ifdef _WIN32

kv::gbk::Converted ToHostText(std::string_view utf8) { return kv::gbk::FromUtf8(utf8); }

std::string FromHostText(std::string_view text) {
    std::string utf8;
    while (!text.empty()) {
        kv::gbk::Converted part = kv::gbk::ToUtf8(text);
        utf8 += part.text;  // on failure, what converted before the bad byte
        if (part.Ok()) break;
        const std::size_t bad = *part.failedAt;
        if (bad < text.size()) utf8 += text[bad];
        text.remove_prefix(std::min(bad + 1, text.size()));
    }
    return utf8;
}

kv::gbk::Converted JsonToHostText(std::string_view json) {
    return ConvertJsonStrings(json, ToHostText);
}

std::string FromHostText(std::string&& text) { return FromHostText(std::string_view(text)); }

std::string JsonFromHostText(std::string_view json) {
    return ConvertJsonStrings(json,
                              [](std::string_view text) {
                                  return kv::gbk::Converted{FromHostText(text), {}};
                              })
        .text;
}

std::filesystem::path PathFromText(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#else

kv::gbk::Converted ToHostText(std::string_view utf8) { return {std::string(utf8), {}}; }
std::string FromHostText(std::string_view text) { return std::string(text); }
std::string FromHostText(std::string&& text) { return std::move(text); }
kv::gbk::Converted JsonToHostText(std::string_view json) { return {std::string(json), {}}; }
std::string JsonFromHostText(std::string_view json) { return std::string(json); }
std::filesystem::path PathFromText(std::string_view utf8) { return std::filesystem::path(utf8); }
std::string PathText(const std::filesystem::path& path) { return path.string(); }

#endif

}  // namespace kv::host
