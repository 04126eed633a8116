// JsonBase: the base of every JSON-bound record, with the parse and write entry points.
#pragma once

#include <string>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace Brisk::RapidJsonHelper {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;
using JsonValue = rapidjson::Value;

// Records are plain values: copied, assigned and kept by value, never deleted through a
// JsonBase pointer (hence the protected, non-virtual destructor).
class JsonBase {
public:
    // Writes the object as one JSON value.
    virtual void ToWrite(JsonWriter& writer) const = 0;
    // Fills the object from a DOM value; values of the wrong kind are ignored.
    virtual void ParseJson(const JsonValue& value) = 0;

    // Parses text as one JSON document and hands its root to target->ParseJson. Returns false,
    // calling nothing, when the text does not parse or nests deeper than kMaxDepth.
    static bool FromJson(JsonBase* target, const std::string& text);
    // The compact JSON text that ToWrite produces.
    std::string ToJson() const;

    // Convert one JSON value; true when out was set. Strings take JSON strings only; ints take
    // JSON integers that fit 32 bits.
    static bool ToParseEvery(const JsonValue& value, std::string& out);
    static bool ToParseEvery(const JsonValue& value, int& out);
    // Write one value; a string is written up to its first NUL byte.
    static void ToWriteEvery(JsonWriter& writer, const std::string& value);
    static void ToWriteEvery(JsonWriter& writer, const int& value);

    // Documents nested deeper than this are refused before parsing.
    static constexpr int kMaxDepth = 512;

protected:
    JsonBase() = default;
    JsonBase(const JsonBase&) = default;
    JsonBase(JsonBase&&) = default;
    JsonBase& operator=(const JsonBase&) = default;
    JsonBase& operator=(JsonBase&&) = default;
    ~JsonBase() = default;
};

}  // namespace Brisk::RapidJsonHelper
