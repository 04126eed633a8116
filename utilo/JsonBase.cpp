// JsonBase: parsing with a nesting limit, compact writing, and the scalar conversions.
#include "utilo/JsonBase.h"

#include <cstdint>
#include <limits>

namespace Brisk::RapidJsonHelper {
namespace {

// Builds document from the events of a parse, and stops the parse at the first array or object
// that opens past maxDepth: before the parser, which recurses once per level, goes deeper.
class DepthLimitedBuild {
public:
    using Ch = char;
    using SizeType = rapidjson::SizeType;

    DepthLimitedBuild(rapidjson::Document& document, int maxDepth)
        : document_(document), maxDepth_(maxDepth) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned i) { return document_.Uint(i); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t i) { return document_.Uint64(i); }
    bool Double(double d) { return document_.Double(d); }
    bool RawNumber(const Ch* text, SizeType length, bool copy) {
        return document_.RawNumber(text, length, copy);
    }
    bool String(const Ch* text, SizeType length, bool copy) {
        return document_.String(text, length, copy);
    }
    bool Key(const Ch* text, SizeType length, bool copy) {
        return document_.Key(text, length, copy);
    }
    bool StartObject() { return Open() && document_.StartObject(); }
    bool EndObject(SizeType members) { return --depth_, document_.EndObject(members); }
    bool StartArray() { return Open() && document_.StartArray(); }
    bool EndArray(SizeType elements) { return --depth_, document_.EndArray(elements); }

private:
    bool Open() { return ++depth_ <= maxDepth_; }

    rapidjson::Document& document_;
    int maxDepth_;
    int depth_ = 0;
};

// Parses text, which the strings of document then point into, in place; false when it is no
// JSON or nests deeper than maxDepth.
bool ParseInPlace(char* text, int maxDepth, rapidjson::Document& document) {
    bool parsed = false;
    const auto build = [&](rapidjson::Document& target) {
        rapidjson::InsituStringStream stream(text);
        DepthLimitedBuild handler(target, maxDepth);
        rapidjson::Reader reader;
        parsed = !reader.Parse<rapidjson::kParseInsituFlag>(stream, handler).IsError();
        return parsed;
    };
    document.Populate(build);
    return parsed;
}

}  // namespace

bool JsonBase::FromJson(JsonBase* target, const std::string& text) {
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
    // RapidJSON's parser and its value destructor both recurse once per nesting level, so a
    // document deep enough to exhaust the stack must never be built: the parse stops at the
    // first level past kMaxDepth.
    rapidjson::Document document;
    if (!ParseInPlace(copy.data(), kMaxDepth, document)) return false;
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
