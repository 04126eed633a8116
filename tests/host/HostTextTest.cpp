// The conversion of JSON texts string by string, run through the GBK codec on every platform.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "host/HostText.h"

namespace {

using kv::host::ConvertJsonStrings;

kv::gbk::Converted ToGbk(std::string_view json) {
    return ConvertJsonStrings(json, [](std::string_view text) { return kv::gbk::FromUtf8(text); });
}

kv::gbk::Converted ToUtf8(std::string_view json) {
    return ConvertJsonStrings(json, [](std::string_view text) { return kv::gbk::ToUtf8(text); });
}

TEST(JsonStrings, KeysAndValuesConvertAndEverythingElseKeepsItsBytes) {
    // 加 by \u escape, 热 as it is, and 乗 (GBK 81 5C), whose trail byte must be escaped.
    const std::string utf8 =
        "{ \"\xE4\xB9\x97\": [\"\\u52a0\xE7\x83\xAD\", 1.50, \"a\\tb\"],\n  \"k\": null }";
    const kv::gbk::Converted gbk = ToGbk(utf8);
    ASSERT_TRUE(gbk.Ok());
    EXPECT_EQ(gbk.text,
              "{ \"\x81\\\\\": [\"\xBC\xD3\xC8\xC8\", 1.50, \"a\\tb\"],\n  \"k\": null }");

    // A JSON reader sees the GBK bytes themselves, the trail backslash included.
    rapidjson::Document document;
    ASSERT_FALSE(document.Parse(gbk.text.c_str()).HasParseError());
    ASSERT_TRUE(document.HasMember("\x81\x5C"));
    EXPECT_STREQ(document["\x81\x5C"][0].GetString(), "\xBC\xD3\xC8\xC8");

    // Back again: the escape of 加 is written out as the character.
    EXPECT_EQ(
        ToUtf8(gbk.text).text,
        "{ \"\xE4\xB9\x97\": [\"\xE5\x8A\xA0\xE7\x83\xAD\", 1.50, \"a\\tb\"],\n  \"k\": null }");
}

TEST(JsonStrings, AFailureNamesTheCharacterOrTheLiteralThatHoldsIt) {
    // U+1F600 has no GBK form: named at byte 9 where it stands as written, and by the literal
    // that opens at byte 7 when an escape comes before it.
    EXPECT_EQ(ToGbk("{\"a\": [\"x\xF0\x9F\x98\x80\"]}").failedAt, 9u);
    EXPECT_EQ(ToGbk("{\"a\": [\"\\n\xF0\x9F\x98\x80\"]}").failedAt, 7u);
}

}  // namespace
