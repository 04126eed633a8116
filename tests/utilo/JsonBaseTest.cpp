// Tests of JsonBase: parse entry point, nesting limit, compact writing, scalar conversions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RapidJsonHelper/JsonArray.h"
#include "utilo/JsonBase.h"

namespace {

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonValue;
using Brisk::RapidJsonHelper::JsonWriter;

// Counts the ParseJson calls it receives.
class CountingTarget : public JsonBase {
public:
    int parses = 0;
    bool lastWasArray = false;
    void ToWrite(JsonWriter& writer) const override { writer.Null(); }
    void ParseJson(const JsonValue& value) override {
        ++parses;
        lastWasArray = value.IsArray();
    }
};

std::string Nested(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JsonBaseFromJson, AcceptsNestingUpToTheLimit) {
    CountingTarget target;
    EXPECT_TRUE(JsonBase::FromJson(&target, Nested(512)));
    EXPECT_EQ(target.parses, 1);
    EXPECT_TRUE(target.lastWasArray);
}

TEST(JsonBaseFromJson, RefusesNestingBeyondTheLimitWithoutCallingTheTarget) {
    for (size_t depth : {size_t{513}, size_t{100000}}) {
        CountingTarget target;
        EXPECT_FALSE(JsonBase::FromJson(&target, Nested(depth))) << depth;
        EXPECT_EQ(target.parses, 0) << depth;
    }
    // Objects count as well as arrays, and an unclosed document is just as deep.
    CountingTarget objects;
    std::string deepObjects;
    for (int i = 0; i < 600; ++i) deepObjects += "{\"a\":";
    EXPECT_FALSE(JsonBase::FromJson(&objects, deepObjects));
    EXPECT_EQ(objects.parses, 0);
}

TEST(JsonBaseFromJson, BracketsInsideStringsDoNotCountAsNesting) {
    CountingTarget target;
    const std::string text = "[\"" + std::string(2000, '[') + "\\\"\"]";
    EXPECT_TRUE(JsonBase::FromJson(&target, text));
    EXPECT_EQ(target.parses, 1);
}

TEST(JsonBaseFromJson, RefusesTextThatIsNotJson) {
    const std::vector<std::string> texts = {"", "not json", "{\"a\":1", "[1,]",
                                            "{\"a\":1} trailing", "\xff\xfe", "{'a':1}",
                                            std::string("[1]\0junk", 8), std::string("[\"a\0\"]", 6)};
    for (const std::string& text : texts) {
        CountingTarget target;
        EXPECT_FALSE(JsonBase::FromJson(&target, text)) << text;
        EXPECT_EQ(target.parses, 0) << text;
    }
}

TEST(JsonBaseFromJson, HandsTheRootOfAnyKindToTheTarget) {
    CountingTarget target;
    EXPECT_TRUE(JsonBase::FromJson(&target, " 5 "));
    EXPECT_TRUE(JsonBase::FromJson(&target, "\"x\""));
    EXPECT_EQ(target.parses, 2);
    EXPECT_TRUE(JsonBase::FromJson(nullptr, "{}"));
}

TEST(JsonBaseFromJson, SkipsAByteOrderMarkAndWhatTheParserTakesForTheStartOfOne) {
    // RapidJSON reading from memory drops a leading EF, EF BB or EF BB BF.
    for (const std::string text : {"\xEF\xBB\xBF[1]", "\xEF\xBB[1]", "\xEF[1]"}) {
        JsonArray<int> numbers;
        EXPECT_TRUE(JsonBase::FromJson(&numbers, text)) << text;
        ASSERT_EQ(numbers.size(), 1u) << text;
        EXPECT_EQ(numbers[0], 1);
    }
    EXPECT_FALSE(JsonBase::FromJson(nullptr, "\xEF\xBB\xBF\xBF[1]"));
}

TEST(JsonBaseToJson, WritesCompactTextWithoutWhitespace) {
    JsonArray<std::string> texts;
    texts.items = {"a b", "\"q\"", ""};
    EXPECT_EQ(texts.ToJson(), R"(["a b","\"q\"",""])");
    JsonArray<int> numbers;
    numbers.items = {-2147483647 - 1, 0, 7};
    EXPECT_EQ(numbers.ToJson(), "[-2147483648,0,7]");
}

TEST(JsonBaseToJson, WritesAStringUpToItsFirstNulByte) {
    JsonArray<std::string> texts;
    texts.items = {std::string("ab\0cd", 5)};
    EXPECT_EQ(texts.ToJson(), R"(["ab"])");
}

TEST(JsonBaseToParseEvery, ConvertsOnlyStringsToTextAndOnly32BitIntegersToInt) {
    rapidjson::Document document;
    document.Parse(R"(["s", 5, 1.0, true, null, 2147483647, 2147483648, -2147483649, {}])");
    ASSERT_FALSE(document.HasParseError());
    const auto& values = document.GetArray();

    std::string text = "kept";
    EXPECT_TRUE(JsonBase::ToParseEvery(values[0], text));
    EXPECT_EQ(text, "s");
    text = "kept";
    for (unsigned i = 1; i < values.Size(); ++i) {
        EXPECT_FALSE(JsonBase::ToParseEvery(values[i], text)) << i;
    }
    EXPECT_EQ(text, "kept");

    int number = 42;
    EXPECT_TRUE(JsonBase::ToParseEvery(values[1], number));
    EXPECT_EQ(number, 5);
    EXPECT_TRUE(JsonBase::ToParseEvery(values[5], number));
    EXPECT_EQ(number, 2147483647);
    number = 42;
    for (unsigned i : {0u, 2u, 3u, 4u, 6u, 7u, 8u}) {
        EXPECT_FALSE(JsonBase::ToParseEvery(values[i], number)) << i;
    }
    EXPECT_EQ(number, 42);
}

TEST(JsonBaseFromJson, KeepsEmbeddedNulAndNonUtf8BytesOfStrings) {
    JsonArray<std::string> texts;
    EXPECT_TRUE(JsonBase::FromJson(&texts, std::string("[\"a\\u0000b\", \"\xC3\x28\"]")));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], std::string("a\0b", 3));
    EXPECT_EQ(texts[1], std::string("\xC3\x28"));
}

}  // namespace
