// JsonBase: parsing with a nesting limit, compact writing, and the scalar conversions.
#include "utilo/JsonBase.h"

#include <cstdint>
#include <limits>

namespace Brisk::RapidJsonHelper {
namespace {

// Returns true when text opens more than maxDepth arrays or objects at once. One pass, no
// recursion: brackets inside strings are skipped, escapes included. Text that is not JSON may
// pass this check; the parser then rejects it.
bool NestsDeeperThan(const std::string& text, int maxDepth) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
            case '"': inString = true; break;
            case '[':
            case '{':
                if (++depth > maxDepth) return true;
                break;
            case ']':
            case '}': --depth; break;
            default: break;
        }
    }
    return false;
}

}  // namespace

bool JsonBase::FromJson(JsonBase* target, const std::string& text) {
    // RapidJSON's parser and its value destructor both recurse once per nesting level, so a
    // document deep enough to exhaust the stack must never reach either of them.
    if (NestsDeeperThan(text, kMaxDepth)) return false;
    // The parser takes a NUL byte for the end of the text, so "[1]\0junk" would pass as "[1]".
    // No JSON text holds a raw NUL, so one anywhere makes the text invalid.
    if (text.find('\0') != std::string::npos) return false;
    // Parsed in place, in a copy: the document's strings then point into the copy instead of
    // being copied one by one. What a parse of text itself would skip at its start goes first:
    // a byte-order mark or, as that parser takes it, the part of one the text begins with.
    std::size_t start = 0;
    if (text.size() > 0 && static_cast<unsigned char>(text[0]) == 0xEF) {
        start = 1;
        if (text.size() > 1 && static_cast<unsigned char>(text[1]) == 0xBB) {
            start = 2;
            if (text.size() > 2 && static_cast<unsigned char>(text[2]) == 0xBF) start = 3;
        }
    }
    std::string copy(text, start);
    rapidjson::Document document;
    document.ParseInsitu(copy.data());
    if (document.HasParseError()) return false;
    if (target != nullptr) target->ParseJson(document);
    return true;
}

std::string JsonBase::ToJson() const {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    ToWrite(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool JsonBase::ToParseEvery(const JsonValue& value, std::string& out) {
    if (!value.IsString()) return false;
    out.assign(value.GetString(), value.GetStringLength());
    return true;
}

bool JsonBase::ToParseEvery(const JsonValue& value, int& out) {
    if (!value.IsInt()) return false;
    out = value.GetInt();
    return true;
}

void JsonBase::ToWriteEvery(JsonWriter& writer, const std::string& value) {
    writer.String(value.c_str());
}

void JsonBase::ToWriteEvery(JsonWriter& writer, const int& value) { writer.Int(value); }

}  // namespace Brisk::RapidJsonHelper
