// Positions of the protocol against bytes of the UTF-8 text.
#include <gtest/gtest.h>

#include "tools/kvc/lsp/TextPositions.h"

namespace {

using kv::lsp::DocumentText;
using kv::lsp::PositionEncoding;

// "加热" is two characters of three bytes each; "😀" one of four bytes and two UTF-16 units.
const char* const kText = "a = 1\r\n加热(😀x)\nlast";

TEST(DocumentText, SplitsLinesOnLineFeedsAndDropsTheCarriageReturn) {
    const DocumentText text(kText);
    ASSERT_EQ(text.LineCount(), 3);
    EXPECT_EQ(text.Line(0), "a = 1");
    EXPECT_EQ(text.Line(1), "加热(😀x)");
    EXPECT_EQ(text.Line(2), "last");
    EXPECT_EQ(text.Line(3), "");
    EXPECT_EQ(DocumentText("x\n").LineCount(), 2);
}

TEST(DocumentText, CountsCharactersInUtf16UnitsOrUtf8Bytes) {
    const DocumentText text(kText);
    // Before "x": 加 热 ( are three units, 😀 two more.
    // "x" is byte 11 of its line: 3 + 3 + 1 + 4 bytes before it.
    EXPECT_EQ(text.CharacterOf(1, 11, PositionEncoding::Utf16), 5);
    EXPECT_EQ(text.ByteInLine(1, 5, PositionEncoding::Utf16), 11u);
    EXPECT_EQ(text.CharacterOf(1, 11, PositionEncoding::Utf8), 11);
    EXPECT_EQ(text.ByteInLine(1, 11, PositionEncoding::Utf8), 11u);
    // Past the end of a line, the line's end.
    EXPECT_EQ(text.ByteInLine(0, 99, PositionEncoding::Utf16), 5u);
    EXPECT_EQ(text.Offset({1, 99}, PositionEncoding::Utf16), 7u + 13u);
    EXPECT_EQ(text.Offset({9, 0}, PositionEncoding::Utf16), text.Text().size());
}

TEST(DocumentText, ReplacesARangeAndIndexesTheLinesAgain) {
    DocumentText text(kText);
    const std::size_t from = text.Offset({0, 4}, PositionEncoding::Utf16);
    const std::size_t to = text.Offset({1, 2}, PositionEncoding::Utf16);
    text.Replace(from, to, "2; 停止");
    EXPECT_EQ(text.Text(), "a = 2; 停止(😀x)\nlast");
    EXPECT_EQ(text.LineCount(), 2);
}

TEST(DocumentText, StartsTheFirstLineAfterAByteOrderMark) {
    const DocumentText text("\xEF\xBB\xBFheat(1)");
    EXPECT_EQ(text.Line(0), "heat(1)");
    EXPECT_EQ(text.Offset({0, 0}, PositionEncoding::Utf16), 3u);
}

}  // namespace
