// JsonCheck: checks the encoding, syntax and depth of a bundle's JSON text without building it.
#include "host/JsonCheck.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cstdint>
#include <cstring>

#include "arbor/TextEncoding.h"
#include "utilo/JsonBase.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace {

using Brisk::RapidJsonHelper::JsonBase;

// Follows the nesting depth of a document and stops the parse past the library's limit.
struct DepthLimit : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, DepthLimit> {
    int depth = 0;
    bool tooDeep = false;
    bool Open() {
        tooDeep = ++depth > JsonBase::kMaxDepth;
        return !tooDeep;
    }
    bool StartObject() { return Open(); }
    bool StartArray() { return Open(); }
    bool EndObject(rapidjson::SizeType) { return --depth, true; }
    bool EndArray(rapidjson::SizeType) { return --depth, true; }
};

// FirstMalformedByte for UTF-8, stepping over ASCII eight bytes at a time: bundle tables are
// mostly ASCII, and this scan runs over every byte of them.
std::size_t FirstMalformedUtf8(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::uint64_t word = 0;
        if (text.size() - pos >= sizeof word) {
            std::memcpy(&word, text.data() + pos, sizeof word);
            if ((word & kHighBits) == 0) {
                pos += sizeof word;
                continue;
            }
        }
        const std::size_t length = WellFormedCharLength(text, pos, RecipeEncoding::Utf8);
        if (length == 0) return pos;
        pos += length;
    }
    return std::string_view::npos;
}

unsigned HexUnit(std::string_view text, std::size_t pos) {
    unsigned unit = 0;
    for (std::size_t i = pos; i < pos + 4 && i < text.size(); ++i) {
        const char c = text[i];
        const unsigned digit = c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        unit = unit * 16 + digit;
    }
    return unit;
}

// The offset of a \u escape of a low surrogate that no high one precedes, or npos. The parser
// accepts it and hands the library a string that is no longer well-formed text; a high
// surrogate without its partner it refuses itself. Runs on text that parsed.
std::size_t FirstLoneSurrogate(std::string_view text) {
    // Most tables escape nothing as \u; a text without the two bytes needs no walk.
    if (text.find("\\u") == std::string_view::npos) return std::string_view::npos;
    bool inString = false;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            inString = !inString;
        } else if (inString && c == '\\' && pos + 1 < text.size()) {
            if (text[pos + 1] != 'u') {
                ++pos;  // a one-letter escape, \" included
                continue;
            }
            const unsigned unit = HexUnit(text, pos + 2);
            if (unit >= 0xDC00 && unit <= 0xDFFF) return pos;
            // A high surrogate comes with its low partner: skip both escapes.
            pos += unit >= 0xD800 && unit <= 0xDBFF ? 11 : 5;
        }
    }
    return std::string_view::npos;
}

template <unsigned Flags>
rapidjson::ParseResult ParseWith(rapidjson::Reader& reader, std::string_view text,
                                 DepthLimit& limit) {
    rapidjson::MemoryStream stream(text.data(), text.size());
    return reader.Parse<Flags>(stream, limit);
}

}  // namespace

std::optional<HostError> CheckJsonText(std::string_view text, const std::string& path,
                                       std::size_t markSize) {
    // A NUL would end the parse early and hide whatever follows it.
    if (text.find('\0') != std::string_view::npos) {
        return MakeHostError(path, msg::HoldsNulByte);
    }
    // Malformed bytes would flow into every output that quotes the text, none of them valid
    // JSON afterwards; the parser itself checks no encoding.
    if (const std::size_t bad = FirstMalformedUtf8(text); bad != std::string_view::npos) {
        return MakeHostError(path, msg::MalformedText, std::to_string(markSize + bad));
    }
    rapidjson::Reader reader;
    DepthLimit limit;
    rapidjson::ParseResult result = ParseWith<rapidjson::kParseDefaultFlags>(reader, text, limit);
    // Well-formed text, nearly every file, passes the quicker recursive parser, which the depth
    // limit stops before the stack is deep. Anything else is parsed again by the iterative one,
    // whose account of the fault the messages give.
    if (!result) {
        limit = DepthLimit{};
        result = ParseWith<rapidjson::kParseIterativeFlag>(reader, text, limit);
    }
    if (limit.tooDeep) {
        // The library refuses such a document, so loading it would quietly give an empty table.
        return MakeHostError(path, msg::NestedTooDeep, std::to_string(JsonBase::kMaxDepth));
    }
    if (!result) {
        return MakeHostError(path, msg::NotJsonAt, rapidjson::GetParseError_En(result.Code()),
                             std::to_string(markSize + result.Offset()));
    }
    if (const std::size_t lone = FirstLoneSurrogate(text); lone != std::string_view::npos) {
        return MakeHostError(path, msg::LoneSurrogate, std::to_string(markSize + lone));
    }
    return std::nullopt;
}

}  // namespace kv::host
